#include "report/page.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "base/variables.hpp"
#include "report/svg.hpp"
#include "report/verdict.hpp"

namespace pelvano {

namespace {

constexpr const char* style = R"(
body { margin: 0; font: 16px/1.5 system-ui, -apple-system, "Segoe UI", Helvetica, Arial, sans-serif; color: #222; background: #fff; }
main { max-width: 72rem; margin: 0 auto; padding: 0.75rem 1rem 2rem; }
h1 { font-size: 1.45rem; line-height: 1.3; margin: 0.5rem 0 1rem; overflow-wrap: anywhere; }
h2 { font-size: 1.15rem; margin: 2rem 0 0.6rem; padding-bottom: 0.2rem; border-bottom: 1px solid #ddd; }
dl { display: grid; grid-template-columns: max-content 1fr; gap: 0.15rem 1rem; margin: 0; }
dt { color: #555; }
dd { margin: 0; overflow-wrap: anywhere; }
.scroll { overflow-x: auto; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { padding: 0.3rem 0.6rem; border-bottom: 1px solid #e8e8e8; vertical-align: top; }
th { text-align: left; background: #f6f6f6; white-space: nowrap; }
td.n { text-align: right; white-space: nowrap; }
td.best { font-size: 1.3rem; font-weight: bold; text-align: center; color: #a35f00; }
td.best .why { display: block; font-size: 0.8rem; font-weight: normal; }
td.file { overflow-wrap: anywhere; }
td.files { min-width: 12rem; }
p.warning { border-left: 4px solid #a35f00; padding-left: 0.6rem; }
figure { margin: 1rem 0 1.5rem; break-inside: avoid; page-break-inside: avoid; }
figure svg { display: block; width: 100%; height: auto; }
figure.k svg { max-width: 44rem; }
figcaption { color: #555; font-size: 0.9rem; margin-top: 0.3rem; }
pre { overflow-x: auto; background: #f6f6f6; padding: 0.75rem; font-size: 0.8rem; line-height: 1.35; }
@media (max-width: 40rem) {
  body { font-size: 14px; }
  figure { overflow-x: auto; }
  figure svg { min-width: var(--legible); }
  main { padding: 0.5rem 0.6rem 1.5rem; }
  th, td { padding: 0.2rem 0.35rem; }
  th { white-space: normal; }
}
@page { size: A4; margin: 12mm; }
@media print {
  body { font-size: 10pt; }
  main { max-width: none; padding: 0; }
  figure svg { max-height: 255mm; }
  .scroll { overflow: visible; }
  pre { white-space: pre-wrap; }
}
)";

std::string e(std::string_view text) {
  return xml_escape(text);
}

// A value of the per-K table as the page shows it: rounded for reading (the table file
// keeps every digit), and empty where the table file's cell is (NaN, none).
std::string shown(double v, int decimals) {
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  if (std::isnan(v) || std::fabs(v) >= 1e250) return "";
  return fixed(v, decimals);
}

std::string cell(const std::string& text, const char* cls = "n") {
  return "<td class=\"" + std::string(cls) + "\">" + e(text) + "</td>";
}

// A method's row of the answer table: its best K, or "none" and why it cannot choose.
std::string method_row(const std::string& method, std::int32_t k, const std::string& none,
                       const std::string& what) {
  const std::string best =
      none.empty() ? e(std::to_string(k)) : "none<span class=\"why\">(" + e(none) + ")</span>";
  return "<tr><th>" + e(method) + "</th><td class=\"best\">" + best + "</td><td>" + e(what) +
         "</td></tr>\n";
}

// The width in CSS px at which the smallest text of an SVG document is 9 px high: on a
// narrow screen the figure is shown at least that wide, and scrolls sideways.
std::string legible_width(std::string_view svg) {
  constexpr double legible = 9;
  const char* end = svg.data() + svg.size();
  double width = 0;
  const std::size_t box = svg.find("viewBox=\"0 0 ");
  if (box != std::string_view::npos) std::from_chars(svg.data() + box + 13, end, width);
  double smallest = 0;
  constexpr std::string_view key = "font-size=\"";
  for (std::size_t at = svg.find(key); at != std::string_view::npos; at = svg.find(key, at + 1)) {
    double size = 0;
    std::from_chars(svg.data() + at + key.size(), end, size);
    if (size > 0 && (smallest == 0 || size < smallest)) smallest = size;
  }
  if (width <= 0 || smallest <= 0) return "100%";
  return std::to_string(static_cast<long>(std::ceil(width * legible / smallest))) + "px";
}

// The SVG document inside the page, without its XML declaration, named for assistive tools.
std::string inline_svg(std::string_view svg, const std::string& label) {
  std::string out(svg.substr(svg.find("<svg")));
  out.insert(4, " role=\"img\" aria-label=\"" + e(label) +
                    "\" style=\"--legible: " + legible_width(svg) + "\"");
  return out;
}

std::string link(const PageLink& l) {
  const std::string slash = l.folder ? "/" : "";
  return "<li><a href=\"" + e(link_to(l.name)) + slash + "\">" + e(l.name + slash) + "</a> " +
         e(l.what) + "</li>\n";
}

// The modes of each K, and the bar plot below them.
std::string modes_section(const Page& p) {
  if (p.modes.empty() && p.bars.empty()) return "";
  std::string h = "<section id=\"modes\">\n<h2>Modes</h2>\n";
  if (!p.modes.empty()) {
    h += "<p>The runs of each K are aligned to one another and grouped into modes, runs that "
         "found the same clustering (their similarity G\u2032 at least " +
         e(p.mode_threshold) +
         "). The major mode holds the most runs; a minor mode is a group of runs that found "
         "another clustering, often a sign that the chains were too short or that this K has "
         "several comparable solutions.</p>\n";
    h += "<p>H\u2032 is CLUMPP's similarity of a mode's runs: the mean over its pairs of runs, "
         "each aligned to the mode's reference run, of 1 \u2212 \u2016Q\u2081 \u2212 "
         "Q\u2082\u2016 / \u221a(2N) for their N individuals' memberships, 1 where they agree "
         "exactly; the least similarity is that of the mode's least alike pair.</p>\n";
    h += "<div class=\"scroll\"><table>\n<tr><th>K</th><th>Mode</th><th>Runs</th>"
         "<th>H\u2032</th><th>Least similarity</th><th>Files</th></tr>\n";
    for (const KModes& m : p.modes) {
      for (std::size_t i = 0; i < m.modes.size(); ++i) {
        const Mode& mode = m.modes[i];
        std::string files;
        for (const std::int32_t r : mode.runs) {
          files += (files.empty() ? "" : ", ") + p.study.file(m.k, r).name;
        }
        h += "<tr>" + cell(std::to_string(m.k));
        if (i == 0 && none_agree(m)) {
          h += "<td colspan=\"2\">" + e(mode_runs_text(m, i, " ")) + "</td>";
        } else {
          h += cell(i == 0 ? std::string("major") : "minor " + std::to_string(i + 1)) +
               cell(std::to_string(mode.runs.size()) + " of " + std::to_string(m.runs));
        }
        h += cell(mode.h_prime ? shown(*mode.h_prime, 4) : "") +
             cell(mode.min_similarity ? shown(*mode.min_similarity, 4) : "") +
             cell(files, "files") + "</tr>\n";
      }
    }
    h += "</table></div>\n";
  }
  if (!p.bars.empty()) {
    const bool modes = !p.rows.empty() && p.rows.front().mode > 0;
    h += "<figure class=\"bars\">\n";
    h += inline_svg(p.bars, modes ? "The mean memberships of the modes of each K, one bar per "
                                    "individual"
                                  : "The memberships of one run of each K, one bar per "
                                    "individual");
    h += modes ? "<figcaption>The mean memberships of each K's major mode, its minor modes in "
                 "narrower rows below; a cluster keeps its colour from K to K.</figcaption>\n"
               : "<figcaption>The memberships of one run of each K; a cluster keeps its colour "
                 "from K to K.</figcaption>\n";
    h += "</figure>\n";
  }
  return h + "</section>\n";
}

}  // namespace

std::string link_to(const std::string& name) {
  static const char* const hex = "0123456789ABCDEF";
  std::string out;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~' || c == '/') {
      out += ch;
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string page_html(const Page& p) {
  const StudySummary& s = p.summary;
  const std::string study = "the " + s.program + " runs " + s.generic + " in " + s.folder;
  const std::string krange =
      std::to_string(s.ks.front().k) + " to " + std::to_string(s.ks.back().k);
  std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n";
  h += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n";
  const std::string title = p.title.empty() ? "Choosing K for " + study : p.title;
  h += "<title>" + e(title) + "</title>\n<style>" + style + "</style>\n";
  h += "</head>\n<body>\n<main>\n<h1>" + e(title) + "</h1>\n";

  h += "<section id=\"study\">\n<h2>The study</h2>\n<dl>\n";
  for (const auto& [term, value] : {std::pair<std::string, std::string>{"Folder", s.folder},
                                    {s.kind, s.pattern},
                                    {"Individuals", std::to_string(s.nind)},
                                    {"Runs per K", s.runs},
                                    {"K", krange},
                                    {"Analysed by", version_line}}) {
    h += "<dt>" + e(term) + "</dt><dd>" + e(value) + "</dd>\n";
  }
  h += "</dl>\n";
  for (const std::string& line : {s.missing ? s.missing->line : std::string(), s.renamed}) {
    if (!line.empty()) h += "<p class=\"warning\">" + e(line) + "</p>\n";
  }
  h += "</section>\n";

  h += "<section id=\"answer\">\n<h2>The answer</h2>\n<div class=\"scroll\"><table>\n";
  h += "<tr><th>Method</th><th>Best K</th><th>What it measures</th></tr>\n";
  const std::string lnp_word = s.lnp_name.empty() ? "Ln P(D)" : s.lnp_name;
  std::string parsimony_run;
  for (const KSummary& k : s.ks) {
    if (k.k == s.parsimony && k.best_run > 0) {
      parsimony_run =
          " Its best run is run " + std::to_string(k.best_run) + ", " + k.best_file + ".";
    }
  }
  const std::map<std::string, std::string> measures = {
      {"Evanno", "The K with the largest DeltaK, the second-order change of the mean " +
                     (s.lnp_name.empty() ? std::string("Ln P(D|K)") : s.lnp_name) +
                     " divided by its standard deviation over the runs: the uppermost level of "
                     "structure."},
      {"Pritchard",
       "The K with the largest mean estimated Ln probability of the data over its runs."},
      {"Parsimony", "The K whose runs above their mean " + lnp_word +
                        " separate the individuals most cleanly into well-populated clusters, "
                        "placing pairs of individuals alike over the runs." +
                        parsimony_run},
      {"CV error",
       "The K with the lowest mean cross-validation error over its runs (ADMIXTURE's --cv): "
       "the K whose model best predicts the genotypes held out."},
      {"Marginal likelihood",
       "The K with the largest mean marginal likelihood over its runs, fastStructure's choice "
       "for explaining the structure in the data."},
      {"Clusters used",
       "The clusters the runs use (the fewest, largest first, whose memberships add up to all "
       "individuals but one), most common over the runs: fastStructure's choice for the model "
       "components used."}};
  for (const MethodChoice& m : method_choices(s)) {
    h += method_row(m.name, m.k, m.none, measures.at(m.name));
  }
  for (const Puechmaille& pm : s.puechmaille) {
    const std::string t = " (threshold " + pm.threshold + ")";
    h += method_row("MedMeaK" + t, pm.estimate.medmea, "",
                    "Puechmaille: the median over the runs of the number of clusters in which "
                    "some sampling population's mean membership lies above " +
                        pm.threshold + ", largest over K.");
    h += method_row("MaxMeaK" + t, pm.estimate.maxmea, "",
                    "As MedMeaK, with the largest number over the runs instead of the median.");
    h += method_row("MedMedK" + t, pm.estimate.medmed, "",
                    "As MedMeaK, with each population's median membership instead of its mean.");
    h += method_row("MaxMedK" + t, pm.estimate.maxmed, "",
                    "As MaxMeaK, with each population's median membership instead of its mean.");
  }
  h += "</table></div>\n";
  const std::vector<std::string> verdict = verdict_sentences(s, p.modes);
  if (!verdict.empty()) {
    std::string text;
    for (const std::string& sentence : verdict) text += (text.empty() ? "" : " ") + sentence;
    h += "<p class=\"verdict\">" + e(text) + "</p>\n";
  }
  if (s.puechmaille.empty() && !s.missing) {
    h += "<p>Puechmaille's estimators for unevenly sampled populations need the sampling "
         "population of each individual: " +
         std::string(s.no_lnp.empty()
                         ? "these Structure files have no Pop column (run Structure with "
                           "PopData to get them)"
                         : "these files hold none (give them with --groups, or with --fam "
                           "and a .fam file whose family words name the groups)") +
         ".</p>\n";
  }
  h += "</section>\n";

  h += "<section id=\"figures\">\n<h2>Figures</h2>\n<figure class=\"k\">\n";
  const bool lnp = s.no_lnp.empty();
  h += inline_svg(p.figure,
                  (lnp ? "Mean " + (s.lnp_name.empty() ? std::string("Ln P(D|K)") : s.lnp_name) +
                             ", L'(K), |L''(K)|, DeltaK and the Parsimony value against K"
                       : "No " + (s.lnp_name.empty() ? std::string("Ln P(D)") : s.lnp_name) +
                             "s to draw against K") +
                      std::string(s.puechmaille.empty() ? "" : ", and Puechmaille's estimators"));
  h += lnp ? "<figcaption>Each method's best K is shaded in its panel.</figcaption>\n</figure>\n"
           : "</figure>\n";
  h += "</section>\n";
  h += modes_section(p);

  h += "<section id=\"per-k\">\n<h2>Per K</h2>\n<div class=\"scroll\"><table>\n<tr><th>K</th>"
       "<th>Runs</th>";
  const bool cv =
      std::any_of(s.ks.begin(), s.ks.end(), [](const KSummary& k) { return k.cv_runs > 0; });
  const bool used = !s.lnp_name.empty() && !s.lnp_grows;
  if (cv) h += "<th>CV error</th><th>SD</th>";
  if (lnp) {
    h += "<th>Mean " + e(s.lnp_name.empty() ? "Ln P(D|K)" : s.lnp_name) +
         "</th><th>SD</th><th>DeltaK</th><th>Parsimony</th>";
  }
  if (used) h += "<th>Clusters used</th>";
  for (const Puechmaille& pm : s.puechmaille) {
    const std::string t = s.puechmaille.size() > 1 ? " " + pm.threshold : "";
    for (const char* name : {"MedMeaK", "MaxMeaK", "MedMedK", "MaxMedK"}) {
      h += "<th>" + e(name + t) + "</th>";
    }
  }
  const bool shown_runs = !p.rows.empty() && p.rows.front().mode == 0;
  if (shown_runs) h += "<th>Run shown</th><th>Its file</th>";
  h += "</tr>\n";
  for (std::size_t i = 0; i < s.ks.size(); ++i) {
    const KSummary& k = s.ks[i];
    h += "<tr>" + cell(std::to_string(k.k)) + cell(std::to_string(k.runs));
    if (cv) h += cell(shown(k.cv_mean, 4)) + cell(shown(k.cv_sd, 4));
    if (lnp) {
      h += cell(shown(k.mean, 2)) + cell(shown(k.sd, 2)) +
           cell(k.deltak ? shown(*k.deltak, 4) : "") +
           cell(k.best_run > 0 ? shown(k.parsimony, 4) : "");
    }
    if (used) h += cell(k.clusters_used > 0 ? std::to_string(k.clusters_used) : "");
    for (const Puechmaille& pm : s.puechmaille) {
      const PuechmailleK& v = pm.ks[i];
      for (const std::int32_t n : {v.medmea, v.maxmea, v.medmed, v.maxmed}) {
        h += cell(std::to_string(n));
      }
    }
    if (shown_runs) {
      const BarRow& rep = p.rows[i];
      h += cell(std::to_string(rep.run)) + cell(rep.file, "file");
    }
    h += "</tr>\n";
  }
  h += "</table></div>\n<p>Rounded for reading; the table file holds every digit.";
  if (shown_runs) {
    h += lnp ? " The run shown for each K is the one in the bar plot: the Parsimony method's "
               "best run of K, or its run of largest Ln P(D) when none was scored."
             : " The run shown for each K is the one in the bar plot: its first run, as the "
               "files hold no Ln P(D) to choose one by.";
  }
  h += "</p>\n</section>\n";

  // pelvano writes its results file from Structure output files only.
  if (lnp) {
    h += "<section id=\"report\">\n<h2>The results file</h2>\n<pre>" + e(p.results) +
         "</pre>\n</section>\n";
  }

  h += "<section id=\"files\">\n<h2>Files</h2>\n<p>These links work where the page lies beside "
       "the files.</p>\n<ul>\n";
  for (const PageLink& l : p.links) h += link(l);
  h += "</ul>\n</section>\n</main>\n</body>\n</html>\n";
  return h;
}

}  // namespace pelvano
