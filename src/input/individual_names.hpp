// The labels and groups of individuals whose files hold only numbers (the memberships files
// of ADMIXTURE, fastStructure and NGSadmix): from a PLINK .fam file (--fam, or the one .fam
// file of the folder), a file of one group name per line (--groups), and the order and
// display names of the groups (--populations).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/study.hpp"
#include "base/tables.hpp"

namespace pelvano {

// Reads a --populations file of group names: one group per line, its name alone or its
// name, a tab and its display name; empty lines are passed over. A file that cannot be read
// or a name given twice ends the run as a command line that cannot be used.
std::vector<std::pair<std::string, std::string>> read_group_order(const std::string& file);

// The .fam file to take the individuals' names from: --fam, else the one .fam file directly
// in the folder (a console line says so), else none (""). Several .fam files in the folder
// and no --fam: a console line says none is used.
std::string fam_file_to_use(const Run& run, const std::string& folder);

// Names the individuals of a study read from memberships files (study.files filled, every
// file of the same individuals): their labels from the .fam file, their groups from
// --groups, else from the .fam file's family words (when some family word is shared by two
// or more individuals and not all are "0"). Groups are numbered from 1 in the order of
// `order` (the groups it names that are present), then of first appearance;
// study.group_names gives each number's display name, and each file gets the table of its
// groups' mean memberships. Stops the run when a file does not name every individual once.
void name_individuals(Run& run, Study& study, const std::string& fam,
                      const std::vector<std::pair<std::string, std::string>>& order);

}  // namespace pelvano
