#include "modrask/har/history.h"

#include <gtest/gtest.h>

#include <cctype>

namespace modrask {
namespace {

// A history header as CreateHistoryHeader makes it.
PHarData WithHistory() {
  std::string msg;
  PHarData d;
  EXPECT_TRUE(SafeGetMem(d, msg));
  EXPECT_TRUE(CreateHistoryHeader(d.get(), msg)) << msg;
  return d;
}

// The strings a line adds after "no previous history".
std::vector<std::string> Pieces(std::string_view line) {
  PHarData d = WithHistory();
  std::string msg;
  EXPECT_TRUE(AddHistLine(d->XXHSHead.get(), line, msg)) << msg;
  const THeaderRec& h = *d->XXHSHead;
  EXPECT_EQ(static_cast<size_t>(h.NStrings) + 1, h.StringRec->size());
  return std::vector<std::string>(h.StringRec->begin() + 2, h.StringRec->end());
}

// 130 characters, digits cycling, with the given positions (from 1) replaced.
std::string Line130(std::initializer_list<std::pair<size_t, char>> marks) {
  std::string s(130, 'x');
  for (size_t i = 0; i < s.size(); ++i) s[i] = char('0' + i % 10);
  for (const auto& [pos, c] : marks) s[pos - 1] = c;
  return s;
}

TEST(AddHistLine, SplitsAtTheLastBlankWithinSixty) {
  const std::string line = Line130({{50, ' '}, {100, ' '}});
  const std::vector<std::string> want{line.substr(0, 50), "   " + line.substr(50, 50),
                                      "   " + line.substr(100)};
  EXPECT_EQ(Pieces(line), want);
  EXPECT_EQ(want[1].size(), 53u);
  EXPECT_EQ(want[2].size(), 33u);
}

TEST(AddHistLine, SplitsAtSixtyWithoutSeparators) {
  const std::string line = Line130({});
  const std::vector<std::string> want{line.substr(0, 60), "   " + line.substr(60, 57),
                                      "   " + line.substr(117)};
  EXPECT_EQ(Pieces(line), want);
}

TEST(AddHistLine, CommaAndBackslashSeparateToo) {
  const std::string line = Line130({{30, ','}, {59, '\\'}});
  const std::vector<std::string> p = Pieces(line);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0], line.substr(0, 59));
  EXPECT_EQ(p[1], "   " + line.substr(59, 57));
}

TEST(AddHistLine, IndentationBlanksAreNoSeparator) {
  // After the first cut the rest has no separator of its own.
  std::string line = std::string(59, 'a') + " " + std::string(100, 'b');
  const std::vector<std::string> p = Pieces(line);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0], std::string(59, 'a') + " ");
  EXPECT_EQ(p[1], "   " + std::string(57, 'b'));
  EXPECT_EQ(p[2], "   " + std::string(43, 'b'));
}

TEST(AddHistLine, SixtyAndSixtyOneCharacters) {
  EXPECT_EQ(Pieces(std::string(60, 'q')), std::vector<std::string>{std::string(60, 'q')});
  const std::string s61 = std::string(60, 'q') + "r";
  EXPECT_EQ(Pieces(s61), (std::vector<std::string>{std::string(60, 'q'), "   r"}));
}

TEST(AddHistLine, TrimsBlanksAndControlsAndSkipsEmptyLines) {
  EXPECT_EQ(Pieces("  \t renamed REG to ZONE \r\n"),
            std::vector<std::string>{"renamed REG to ZONE"});
  EXPECT_TRUE(Pieces("").empty());
  EXPECT_TRUE(Pieces(" \t\n ").empty());
}

TEST(AddHistLine, Refusals) {
  std::string msg;
  EXPECT_FALSE(AddHistLine(nullptr, "x", msg));
  EXPECT_EQ(msg, "UnExpected nil header [AddHistLine]");
  THeaderRec h;
  EXPECT_FALSE(AddHistLine(&h, "x", msg));
  EXPECT_EQ(msg, "StringRec=nil [AddHistLine]");
}

TEST(CreateHistoryHeader, NewAndExisting) {
  PHarData d = WithHistory();
  const THeaderRec& h = *d->XXHSHead;
  EXPECT_EQ(h.Name, "XXHS");
  EXPECT_EQ(h.LongName, "File History");
  EXPECT_EQ(h.LenString, HistLineLen);
  EXPECT_EQ(h.NStrings, 1);
  EXPECT_EQ((*h.StringRec)[1], "no previous history");

  std::string msg;
  d->XXHSHead->LenString = 72;
  const THeaderRec* before = d->XXHSHead.get();
  EXPECT_TRUE(CreateHistoryHeader(d.get(), msg));
  EXPECT_EQ(d->XXHSHead.get(), before);
  EXPECT_EQ(d->XXHSHead->LenString, 72);

  EXPECT_FALSE(CreateHistoryHeader(nullptr, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [CreateHistoryHeader]");
}

TEST(AddHistoryLines, CreatesTheHeaderAndAppendsInOrder) {
  std::string msg;
  PHarData d;
  ASSERT_TRUE(SafeGetMem(d, msg));
  ASSERT_TRUE(AddHistoryLines(d.get(), {"first", "  ", std::string(61, 's')}, msg)) << msg;
  const std::vector<std::string> want{"", "no previous history", "first", std::string(60, 's'),
                                      "   s"};
  EXPECT_EQ(*d->XXHSHead->StringRec, want);
  EXPECT_EQ(d->XXHSHead->NStrings, 4);
  EXPECT_FALSE(AddHistoryLines(nullptr, {"x"}, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [CreateHistoryHeader] [AddHistoryLines]");
}

TEST(SetCreationDateHeader, StoresAtAndTheText) {
  std::string msg;
  PHarData d;
  ASSERT_TRUE(SafeGetMem(d, msg));
  ASSERT_TRUE(SetCreationDateHeader(d.get(), "10:15:00", msg)) << msg;
  ASSERT_TRUE(SetCreationDateHeader(d.get(), "10:15:00", msg)) << msg;  // replaces
  const THeaderRec& h = *d->XXCDHead;
  EXPECT_EQ(h.Name, "XXCD");
  EXPECT_EQ(h.LongName, "Creation Date and Time");
  EXPECT_EQ(h.NStrings, 1);
  EXPECT_EQ(h.LenString, 70);
  EXPECT_EQ(*h.StringRec, (std::vector<std::string>{"", "at 10:15:00"}));
  EXPECT_FALSE(SetCreationDateHeader(nullptr, "x", msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [SetCreationDateHeader]");
}

TEST(SetCreatingProgHeader, TwiceLeavesOneOfEach) {
  std::string msg;
  PHarData d;
  ASSERT_TRUE(SafeGetMem(d, msg));
  ASSERT_TRUE(SetCreatingProgHeader(d.get(), "first", msg)) << msg;
  ASSERT_TRUE(SetCreatingProgHeader(d.get(), "MARDEX", msg)) << msg;
  const THeaderRec& cr = *d->XXCRHead;
  EXPECT_EQ(cr.Name, "XXCR");
  EXPECT_EQ(cr.LongName, "Creating Program");
  EXPECT_EQ(cr.NStrings, 2);
  EXPECT_EQ(cr.LenString, 70);
  EXPECT_EQ(*cr.StringRec, (std::vector<std::string>{"", "MARDEX", LibraryVersionStamp()}));
  const THeaderRec& cp = *d->XXCPHead;
  EXPECT_EQ(cp.Name, "XXCP");
  EXPECT_EQ(cp.LongName, "compiler used to make WUP which created this file");
  EXPECT_EQ(cp.LenString, 6);
  EXPECT_EQ(*cp.StringRec, (std::vector<std::string>{"", CompilerWord()}));
  EXPECT_EQ(d->NHeads(), 0);
  EXPECT_FALSE(SetCreatingProgHeader(nullptr, "x", msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [SetCreatingProgHeader]");
}

TEST(SpecialHeaderTexts, VersionStampAndCompilerWordForms) {
  const std::string v = LibraryVersionStamp();
  ASSERT_EQ(v.size(), 19u);
  EXPECT_EQ(v.substr(0, 8), "HARFILE ");
  EXPECT_TRUE(isdigit(v[8]) && isdigit(v[9]) && v[10] == '/' && v[14] == '/');
  const std::string month = v.substr(11, 3);
  const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  EXPECT_EQ(months.find(month) % 3, 0u) << month;
  for (int i = 15; i < 19; ++i) EXPECT_TRUE(isdigit(v[size_t(i)]));
  const std::string c = CompilerWord();
  EXPECT_FALSE(c.empty());
  EXPECT_LE(c.size(), 6u);
  for (const char ch : c) EXPECT_TRUE(isupper(static_cast<unsigned char>(ch)));
#if defined(__GNUC__) && !defined(__clang__)
  EXPECT_EQ(c, "GCC");
#endif
}

}  // namespace
}  // namespace modrask
