// The terminal: questions, the password prompt without echo, the progress bar.
#include "cli/terminal.h"

#include <ctype.h>
#include <stdio.h>

#include "platform/console.h"

bool CanAskUser() { return ConsoleCanAsk(); }

bool ReadPasswordFromTerminal(const std::string& prompt, std::string* line) {
  return ConsoleAsk(prompt, false, line);
}

int AskAnswer(const std::string& question, const std::vector<std::string>& answers) {
  std::string expected = "Please answer ";
  for (size_t i = 0; i < answers.size(); i++)
    expected += (i == 0 ? "" : i + 1 == answers.size() ? " or " : ", ") + answers[i];
  expected += " (or their first letters).\n";
  int chosen = -1;
  std::string prompt = question;
  while (chosen < 0) {
    std::string line;
    if (!ConsoleAsk(prompt, true, &line)) break;
    std::string typed;
    for (char c : line)
      if (c != ' ' && c != '\t' && c != '\r') typed += (char)tolower((unsigned char)c);
    for (size_t i = 0; i < answers.size() && chosen < 0; i++)
      if (!typed.empty() && (typed == answers[i] || typed == answers[i].substr(0, 1)))
        chosen = (int)i;
    prompt = expected + question;
  }
  return chosen;
}

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled && ConsoleIsTerminal(stderr)) {}

ProgressBar::~ProgressBar() { Clear(); }

std::string ProgressLine(int permille, const std::string& label, int columns,
                         const TextColumns& measure) {
  int room = columns - 1;
  char figure[16];
  snprintf(figure, sizeof figure, "%3d.%d%%", permille / 10, permille % 10);
  std::string line = figure;
  if ((int)line.size() >= room) return line.substr(0, room > 0 ? (size_t)room : 0);
  // The bar takes up to 30 columns, but leaves 20 to the label; "[", "] ",
  // the figure and the space before the label take 10 more.
  const int kLongestBar = 30, kLabelRoom = 20, kAroundBar = 10;
  int barWidth = room - kAroundBar - kLabelRoom;
  if (barWidth > kLongestBar) barWidth = kLongestBar;
  if (barWidth >= 5) {
    int filled = permille * barWidth / 1000;
    line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] " + line;
  }
  int labelRoom = room - (int)line.size() - 1;
  std::string shown = measure.KeepEnd(PrintableText(label), labelRoom);
  if (!shown.empty()) line += " " + shown;
  return line;
}

void ProgressBar::Update(int64_t done, int64_t total, const std::string& label) {
  if (!enabled_ || total <= 0) return;
  int permille = (int)(done * 1000 / total);
  if (permille > 1000) permille = 1000;
  if (permille == lastPermille_ && label == lastLabel_) return;
  int columns = ConsoleColumns();
  lastPermille_ = permille;
  lastLabel_ = label;
  ConsoleRedrawLine(ProgressLine(permille, label, columns, measure_));
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  ConsoleRedrawLine("");
  drawn_ = false;
}
