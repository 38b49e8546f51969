// The driver's transcript as the tests read it: one event per line, an
// event name and name=value fields (tests/wine/driver_report.h).
#ifndef CORVANE_TESTS_WINE_TRANSCRIPT_H
#define CORVANE_TESTS_WINE_TRANSCRIPT_H

#include <map>
#include <string>
#include <vector>

struct Event {
  std::string kind;
  std::map<std::string, std::string> fields;
  // The field's value, or "<none>" when the event has no such field.
  std::string operator[](const std::string& name) const;
};

struct Transcript {
  int driverExit = -1;  // 0 when every step of the script ran
  std::vector<Event> events;
  std::string text;    // the lines as the driver wrote them
  std::string errors;  // Wine's own messages

  // The event names in order, to compare with the steps expected.
  std::vector<std::string> Kinds() const;
  // The n-th event of this kind (from 0); an empty event when missing.
  const Event& Nth(const std::string& kind, int n = 0) const;
};

Transcript ParseTranscript(const std::string& text);

#endif
