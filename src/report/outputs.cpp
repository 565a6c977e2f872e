#include "report/outputs.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>

#include "base/output.hpp"
#include "report/bar_rows.hpp"
#include "report/clumpp.hpp"
#include "report/figure.hpp"
#include "report/modes_files.hpp"
#include "report/rendered_outputs.hpp"
#include "report/results.hpp"
#include "report/table.hpp"

namespace pelvano {

namespace {

std::string base_name(const std::string& name) {
  return name.substr(name.rfind('/') + 1);
}

// A file of the input folder as the page links to it: its name beside the page, or with
// --out its path from the page's folder ("../study/K.K").
std::string input_link(const Run& run, const std::string& file) {
  if (run.out_folder.empty()) return base_name(file);
  const auto parts = [](const std::string& folder) {
    std::vector<std::string> out;
    char* real = ::realpath(folder.c_str(), nullptr);
    const std::string path = real != nullptr ? real : folder;
    std::free(real);
    for (std::size_t at = 0; at < path.size();) {
      const std::size_t end = std::min(path.find('/', at), path.size());
      if (end > at) out.push_back(path.substr(at, end - at));
      at = end + 1;
    }
    return out;
  };
  const std::vector<std::string> from = parts(run.out_folder), to = parts(run.PATHNAME);
  std::size_t same = 0;
  while (same < from.size() && same < to.size() && from[same] == to[same]) ++same;
  std::string link;
  for (std::size_t i = same; i < from.size(); ++i) link += "../";
  for (std::size_t i = same; i < to.size(); ++i) link += to[i] + "/";
  return link + base_name(file);
}

std::string table_file(Made& m) {
  return table_text(m.found.summary);
}

std::string figure_file(Made& m) {
  m.figure = figure_svg(m.found.summary, m.run.options.title);
  return m.figure;
}

std::string modes_file(Made& m) {
  return modes_table_text(m.study, m.found.modes);
}

// A line for each K whose runs found more than one clustering.
std::string modes_lines(const Made& m) {
  std::string lines;
  for (const KModes& k : m.found.modes) {
    if (k.modes.size() > 1) lines += modes_line(k) + "\n";
  }
  return lines;
}

void modes_folder(const std::string& folder, const Made& m) {
  write_modes_folder(folder, m.study, m.found.modes, m.run.options.aligned_runs);
}

std::string bars_file(Made& m) {
  m.bar_plot = bars_svg(m.bars);
  return m.bar_plot;
}

std::string colours_file(Made& m) {
  return alignment_table_text(m.bars.rows);
}

void clumpp_folder(const std::string& folder, const Made& m) {
  write_clumpp(folder, m.run, m.study);
}

bool clumpp_asked(const Options& o) {
  return o.clumpp;
}

std::string page_file(Made& m) {
  std::vector<PageLink> links = {
      {input_link(m.run, m.run.ESTFILENAME), "the results file, written by pelvano", false},
      {base_name(m.run.FILELISTNAME), "the " + m.study.kind + " read", false}};
  // pelvano reads Structure output files only: no results file beside other programs' files.
  if (!m.study.no_lnp.empty()) links.erase(links.begin());
  links.insert(links.end(), m.links.begin(), m.links.end());
  const Page page{m.study,
                  m.found.summary,
                  m.bars.rows,
                  m.found.modes,
                  m.run.options.mode_threshold.text,
                  m.figure,
                  m.bar_plot,
                  results_text(m.run, m.found.summary),
                  std::move(links),
                  m.run.options.title};
  return page_html(page);
}

}  // namespace

const std::vector<PlotOutput>& plot_outputs() {
  static const std::vector<PlotOutput> outputs = [] {
    std::vector<PlotOutput> o(8);
    o[0].suffix = ".tsv";
    o[0].console = "Table in file";
    o[0].link = "the per-K table, every digit, tab-separated";
    o[0].link_place = 1;
    o[0].help = "the per-K table, every digit, tab-separated";
    o[0].text = table_file;

    o[1].suffix = ".svg";
    o[1].console = "Figure in file";
    o[1].link = "the figure";
    o[1].link_place = 2;
    o[1].help =
        "the figure: Mean Ln P(D|K), L'(K), |L''(K)|, DeltaK, the Parsimony\n"
        "                value and Puechmaille's estimators against K";
    o[1].text = figure_file;

    o[2].suffix = ".modes.tsv";
    o[2].console = "Modes in file";
    o[2].link = "the modes of each K: the groups of runs that agree";
    o[2].link_place = 5;
    o[2].help =
        "the modes of each K: the groups of its runs that found the same\n"
        "                clustering, with their similarity";
    o[2].needs = Needs::memberships;
    o[2].text = modes_file;
    o[2].console_after = modes_lines;

    o[3].suffix = ".modes/";
    o[3].link =
        "for each K: the similarity of its runs, their modes and alignments, the modes' mean "
        "memberships";
    o[3].link_place = 6;
    o[3].help =
        "for each K the similarity of every pair of runs, each run's mode\n"
        "                and alignment, and each mode's mean memberships as CLUMPP\n"
        "                writes them and as a table of the individuals, their labels\n"
        "                and populations and the clusters in the colours' order";
    o[3].needs = Needs::memberships;
    o[3].write_folder = modes_folder;
    o[3].remove_folder = remove_modes_folder;
    o[3].alongside = true;

    o[4].suffix = ".bars.svg";
    o[4].console = "Bar plot in file";
    o[4].link = "the bar plot";
    o[4].link_place = 3;
    o[4].help =
        "the bar plot: each K's modes (or with --best-runs one run of each\n"
        "                K), a cluster keeping its colour from K to K";
    o[4].needs = Needs::memberships;
    o[4].text = bars_file;

    o[5].suffix = ".align.tsv";
    o[5].console = "Cluster colours in file";
    o[5].link = "the colour of every cluster of the bar plot";
    o[5].link_place = 4;
    o[5].help = "the colour of every cluster of the bar plot";
    o[5].needs = Needs::memberships;
    o[5].text = colours_file;

    o[6].suffix = ".clumpp/";
    o[6].console = "CLUMPP files in folder";
    o[6].link = "the input files of CLUMPP";
    o[6].link_place = 7;
    o[6].help = "with --clumpp, the input files of CLUMPP for every K";
    o[6].needs = Needs::option;
    o[6].asked = clumpp_asked;
    o[6].write_folder = clumpp_folder;
    o[6].remove_folder = remove_clumpp;

    o[7].suffix = ".html";
    o[7].console = "Page in file";
    o[7].help = "one page with all of it, for a browser";
    o[7].text = page_file;

    // The figure and the bar plot in further formats, linked from the page.
    const std::vector<PlotOutput> rendered = rendered_outputs();
    o.insert(o.end() - 1, rendered.begin(), rendered.end());
    return o;
  }();
  return outputs;
}

std::string outputs_help() {
  std::string text;
  for (const PlotOutput& o : plot_outputs()) {
    std::string suffix(o.suffix);
    suffix.resize(std::max<std::size_t>(suffix.size() + 1, 14), ' ');
    text += "  " + suffix + std::string(o.help) + "\n";
  }
  return text;
}

std::string companion_file_name(const Run& run, std::string_view extension) {
  // Never a hidden file: with the generic name "*" the files are named after the program.
  std::string name = run.out_folder.empty() ? run.PATHNAME : run.out_folder;
  name += run.PLATFORMSLASH;
  name += run.file_stem.empty() ? "pelvano" : run.file_stem;
  return name + std::string(extension);
}

void write_plot_outputs(const Run& run, const Study& study, const Findings& found) {
  const StudySummary& s = found.summary;
  if (!s.renamed.empty()) std::fprintf(run.console, "%s\n", s.renamed.c_str());
  Made made{run, study, found, {}, {}, {}, {}};
  const bool memberships = study.has_memberships();
  const auto wanted = [&](const PlotOutput& o) {
    if (o.format_asked && !o.format_asked(run.options)) return false;
    return o.needs == Needs::nothing ||
           (memberships && (o.needs == Needs::memberships || o.asked(run.options)));
  };
  const auto path_of = [&](const PlotOutput& o) {
    std::string_view suffix = o.suffix;
    if (suffix.ends_with('/')) suffix.remove_suffix(1);
    return companion_file_name(run, suffix);
  };
  // What is written alongside starts first.
  std::vector<std::future<void>> alongside;
  for (const PlotOutput& o : plot_outputs()) {
    if (o.alongside && wanted(o)) {
      alongside.push_back(
          std::async(std::launch::async, o.write_folder, path_of(o), std::cref(made)));
    }
  }
  if (memberships) {
    BarPlot& bars = made.bars;
    bars.rows = run.options.best_runs ? run_rows(run, study) : mode_rows(study, found.modes);
    bars.title = "the runs " + s.generic + " in " + s.folder;
    bars.heading = run.options.title;
    bars.individuals = study.individuals;
    bars.populations = study.group_names;
    bars.pop_column = study.has_groups();
    bars.keep_order = run.options.keep_order;
    bars.evanno = s.evanno;
    bars.pritchard = s.pritchard_none.empty() ? s.pritchard : 0;
    bars.parsimony = s.parsimony;
    bars.parsimony_none = !s.parsimony_none.empty();
  }
  std::vector<std::pair<int, PageLink>> links;
  // The renderings in further formats are made together, on the cores there are, once the
  // SVG documents they come from are written; each is written in its turn.
  const std::vector<PlotOutput>& outputs = plot_outputs();
  std::vector<std::future<std::string>> rendered(outputs.size());
  for (std::size_t n = 0; n < outputs.size(); ++n) {
    const PlotOutput& o = outputs[n];
    const std::string path = path_of(o);
    const bool folder = o.suffix.ends_with('/');
    if (!wanted(o)) {
      // What the memberships gave in an earlier run no longer applies; an option not asked
      // for this time leaves its files as they are, but a format not asked for is stale.
      if (!memberships || o.format_asked) folder ? o.remove_folder(path) : remove_file(path);
      continue;
    }
    if (folder && !o.alongside) {
      o.write_folder(path, made);
    } else if (!folder) {
      if (o.format_asked && !rendered[n].valid()) {
        for (std::size_t r = n; r < outputs.size(); ++r) {
          if (outputs[r].format_asked && wanted(outputs[r])) {
            rendered[r] = std::async(std::launch::async, outputs[r].text, std::ref(made));
          }
        }
      }
      replace_file(path, o.format_asked ? rendered[n].get() : o.text(made));
    }
    if (!o.console.empty()) {
      std::fprintf(run.console, "%.*s: %s\n", static_cast<int>(o.console.size()), o.console.data(),
                   path.c_str());
    }
    if (o.console_after) std::fputs(o.console_after(made).c_str(), run.console);
    if (!o.link.empty()) {
      links.push_back({o.link_place, PageLink{base_name(path), std::string(o.link), folder}});
      // The page lists what is written before it, in the order of its list.
      std::stable_sort(links.begin(), links.end(),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
      made.links.clear();
      for (const auto& l : links) made.links.push_back(l.second);
    }
  }
  for (std::future<void>& f : alongside) f.get();

  for (const Puechmaille& p : s.puechmaille) {
    std::fprintf(run.console,
                 "Puechmaille's estimators at threshold %s: MedMeaK %d, MaxMeaK %d, MedMedK %d, "
                 "MaxMedK %d\n",
                 p.threshold.c_str(), p.estimate.medmea, p.estimate.maxmea, p.estimate.medmed,
                 p.estimate.maxmed);
  }
  if (memberships && !study.has_groups()) {
    std::fputs(("Puechmaille's estimators: none (" + study.no_groups + ")\n").c_str(), run.console);
  }
  std::string best;
  for (const MethodChoice& m : method_choices(s)) {
    best += (best.empty() ? "Best K: " : ", ") + m.name + " " + choice_text(m.k, m.none);
  }
  std::fputs((best + "\n").c_str(), run.console);
  std::fflush(run.console);
}

}  // namespace pelvano
