// The driver's transcript as the tests read it.
#include "tests/wine/transcript.h"

#include <sstream>

std::string Event::operator[](const std::string& name) const {
  auto it = fields.find(name);
  return it == fields.end() ? "<none>" : it->second;
}

std::vector<std::string> Transcript::Kinds() const {
  std::vector<std::string> kinds;
  for (const Event& e : events) kinds.push_back(e.kind);
  return kinds;
}

const Event& Transcript::Nth(const std::string& kind, int n) const {
  static const Event kMissing;
  for (const Event& e : events)
    if (e.kind == kind && n-- == 0) return e;
  return kMissing;
}

Transcript ParseTranscript(const std::string& text) {
  Transcript t;
  t.text = text;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    Event e;
    std::istringstream fields(line);
    std::string field;
    std::getline(fields, e.kind, '\t');
    while (std::getline(fields, field, '\t')) {
      size_t eq = field.find('=');
      e.fields[field.substr(0, eq)] = eq == std::string::npos ? "" : field.substr(eq + 1);
    }
    t.events.push_back(e);
  }
  return t;
}
