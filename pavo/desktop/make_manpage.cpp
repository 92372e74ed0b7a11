// Build-time tool: writes the manual page pavo4(1) from the program's own texts (the general
// usage and the format text of each batch mode), so that the page cannot drift from `pavo4 -h`.
//
//   pavo_make_manpage <output file> <version>
#include "cli_texts.h"

#include <cstdio>
#include <string>

namespace {

using pavo::ModeFormat;

// Every mode that has a format text, in the order of the page.
const ModeFormat kModes[] = {ModeFormat::CheckSurf, ModeFormat::Extr,   ModeFormat::Merge,
                             ModeFormat::AddEdges,  ModeFormat::Solana, ModeFormat::Convert,
                             ModeFormat::Seq};

// Text as roff shows it: backslashes and minus signs escaped, and a line that starts with a
// control character ('.' or '\'') guarded so that it is printed rather than read as a request.
std::string roff(const std::string &text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    lineStart = c == '\n';
  }
  return out;
}

// Text shown as it stands, line by line (no filling, no adjusting).
std::string verbatim(const std::string &text) {
  std::string body = roff(text);
  if (!body.empty() && body.back() != '\n') body += '\n';
  return ".nf\n" + body + ".fi\n";
}

// The first line of a format text, "  The format is pavo4 -mode ...", without its lead-in.
std::string synopsisOf(const std::string &formatText) {
  std::string line = formatText.substr(0, formatText.find('\n'));
  const std::string leadIn = "The format is ";
  const std::size_t at = line.find(leadIn);
  if (at != std::string::npos) line = line.substr(at + leadIn.size());
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// The mode's option name: the word after "pavo4" in its synopsis.
std::string modeName(const std::string &synopsis) {
  const std::size_t start = synopsis.find(' ');
  if (start == std::string::npos) return synopsis;
  const std::size_t end = synopsis.find(' ', start + 1);
  return synopsis.substr(start + 1, end == std::string::npos ? end : end - start - 1);
}

std::string page(const std::string &version) {
  std::string text = ".TH PAVO4 1 \"\" \"pavo4 " + roff(version) + "\" \"User Commands\"\n";
  text += ".SH NAME\npavo4 \\- viewer and batch tool for high\\-order finite\\-element meshes\n";
  text += ".SH SYNOPSIS\n.nf\npavo4\npavo4 \\-in \\fImesh\\fR... [\\-sol \\fIsolution\\fR...]\n";
  for (ModeFormat mode : kModes) text += roff(synopsisOf(pavo::formatText(mode))) + "\n";
  text += ".fi\n";
  text += ".SH DESCRIPTION\n"
          "With \\fB\\-in\\fR, \\fBpavo4\\fR opens one viewer window per mesh, with its solution; "
          "without arguments it opens an empty window whose File menu opens files. "
          "The other first arguments select batch modes that work on files and exit without "
          "opening a window. Below is the program's usage text, as \\fBpavo4 \\-h\\fR prints it.\n";
  text += ".SH OPTIONS\n" + verbatim(pavo::generalUsageText());
  text += ".SH BATCH MODES\nThe arguments of each batch mode, as the mode prints them.\n";
  for (ModeFormat mode : kModes) {
    const std::string &format = pavo::formatText(mode);
    text += ".SS " + roff(modeName(synopsisOf(format))) + "\n" + verbatim(format);
  }
  return text;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pavo_make_manpage output.1 version\n");
    return 2;
  }
  const std::string text = page(argv[2]);
  std::FILE *file = std::fopen(argv[1], "wb");
  if (!file) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "pavo_make_manpage: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
