// The driver's transcript lines.
#include "tests/wine/driver_report.h"

#include <windows.h>

#include "tests/wine/hex_text.h"

static std::string Convert(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return text;
  int wide = MultiByteToWideChar(from, 0, text.data(), (int)text.size(), 0, 0);
  std::wstring w(wide, L'\0');
  MultiByteToWideChar(from, 0, text.data(), (int)text.size(), &w[0], wide);
  int n = WideCharToMultiByte(to, 0, w.data(), wide, 0, 0, 0, 0);
  std::string out(n, '\0');
  WideCharToMultiByte(to, 0, w.data(), wide, &out[0], n, 0, 0);
  return out;
}

std::string SjisToUtf8(const std::string& sjis) { return Convert(sjis, 932, CP_UTF8); }
std::string Utf8ToSjis(const std::string& utf8) { return Convert(utf8, CP_UTF8, 932); }

Report& Report::Field(const char* name, const std::string& value) {
  line_ += '\t';
  line_ += name;
  line_ += '=';
  line_ += value;
  return *this;
}

Report& Report::Field(const char* name, long value) { return Field(name, std::to_string(value)); }

Report& Report::Text(const char* name, const std::string& sjis) {
  std::string readable;
  for (char c : SjisToUtf8(sjis)) {
    switch (c) {
      case '\t':
        readable += "\\t";
        break;
      case '\r':
        readable += "\\r";
        break;
      case '\n':
        readable += "\\n";
        break;
      case '\\':
        readable += "\\\\";
        break;
      default:
        readable += c;
    }
  }
  Field(name, readable);
  return Field((std::string(name) + "_sjis").c_str(), HexOf(sjis));
}

void Report::Emit() {
  line_ += '\n';
  // Raw bytes, no text-mode translation of the line ends.
  DWORD put;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line_.data(), (DWORD)line_.size(), &put, 0);
}
