#pragma once

// The fixed texts of a result file. The file is a comma-separated list of
// quoted strings and bare numbers: a title line that marks it as a result file,
// a header line with the column labels, then one line per result row; every
// line ends with CR LF.
namespace ResultFileFormat {

inline constexpr char kTitle[] = "VESTRA-IP Scanning Pressure Data";
inline constexpr char kLineEnd[] = "\r\n";
// The header ends at the unit column's label, in English or in Korean.
inline constexpr char16_t kUnitLabel[] = u"Unit";
inline constexpr char16_t kKoreanUnitLabel[] = u"\uB2E8\uC704";
// ID, channels 1 to 100 and the unit: the widest header a file may have.
inline constexpr int kMaxColumns = 102;
// The ANSI code page of the Korean systems the files come from. "CP949" would
// pick IBM's table in Qt 6, which differs from Microsoft's.
inline constexpr char kCodePage[] = "windows-949";

} // namespace ResultFileFormat
