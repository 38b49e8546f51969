// The driver's transcript: one line per event on standard output, an event
// name followed by tab-separated name=value fields. A text is given twice:
// as `name_sjis`, the hex of its raw Shift-JIS bytes, for exact checks, and
// as `name`, its UTF-8 form with \t, \r, \n and \\ escaped, for reading.
#ifndef CORVANE_TESTS_WINE_DRIVER_REPORT_H
#define CORVANE_TESTS_WINE_DRIVER_REPORT_H

#include <string>

class Report {
 public:
  explicit Report(const char* event) : line_(event) {}
  Report& Field(const char* name, const std::string& value);
  Report& Field(const char* name, long value);
  Report& Text(const char* name, const std::string& sjis);
  // Writes the line and flushes it, so that a killed run keeps its events.
  void Emit();

 private:
  std::string line_;
};

// Shift-JIS (code page 932) to UTF-8 through the system's converters.
std::string SjisToUtf8(const std::string& sjis);
// UTF-8 to Shift-JIS; what has no Shift-JIS form becomes '?'.
std::string Utf8ToSjis(const std::string& utf8);

#endif
