// Reading import lines: the field walk, dates, bad fields, the checks in their order, pricing,
// and the file reader's line numbers and limits.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "data/store.h"
#include "interchange/engine/export_lines.h"
#include "interchange/engine/file_folders.h"
#include "interchange/engine/import_run.h"
#include "support/temp_dir.h"
#include "usagelog/engine/engine_fixture.h"

namespace koreq::interchange {
namespace {

using usagelog::test::ymd;

LineLayout layout(char format, const char* map, const char* dates = "MM/DD/YYYY") {
  return {format, dates, walkedItems(map)};
}

TEST(ImportLine, WalksCommaTabAndFixedFields) {
  using V = std::vector<std::string>;
  // A quoted field keeps its comma; a doubled quote inside it is one quote.
  EXPECT_EQ(splitLine(layout('C', "Q00M00U00"), R"(EX-1,"Pour, ""north"" wall",8)"),
            (V{"EX-1", R"(Pour, "north" wall)", "8"}));
  // Missing trailing fields are empty; ### ends the walk.
  EXPECT_EQ(splitLine(layout('C', "Q00U00M00###A00"), "EX-1"), (V{"EX-1", "", ""}));
  EXPECT_EQ(splitLine(layout('T', "Q00U00M00"), "EX-1\t8\ta,b"), (V{"EX-1", "8", "a,b"}));
  EXPECT_EQ(splitLine(layout('F', "Q10#08U08"), "EX-1      030524  12.5"),
            (V{"EX-1      ", "030524  ", "12.5"}));
  EXPECT_EQ(splitLine(layout('F', "Q04U08"), "EX-1"), (V{"EX-1", ""}));
}

TEST(ImportLine, DecodesTheTwelveDateFormatsAndRefusesImpossibleDates) {
  EXPECT_EQ(*decodeDate(" 3/ 5/2015", "MM/DD/YYYY"), ymd(2015, 3, 5));
  EXPECT_EQ(*decodeDate("05-03-2015", "DD-MM-YYYY"), ymd(2015, 3, 5));
  EXPECT_EQ(*decodeDate("030515", "MMDDYY"), ymd(2015, 3, 5));
  EXPECT_EQ(*decodeDate("05031999", "DDMMYYYY"), ymd(1999, 3, 5));
  EXPECT_EQ(*decodeDate("3/5/49", "MM/DD/YY"), ymd(2049, 3, 5));
  EXPECT_EQ(*decodeDate("3/5/50", "MM/DD/YY"), ymd(1950, 3, 5));
  EXPECT_TRUE(decodeDate("  ", "MM/DD/YYYY")->isEmpty());
  for (const char* bad : {"02/30/2024", "13/01/2024", "3/5", "x3/05/2024", "0305"})
    EXPECT_FALSE(decodeDate(bad, "MM/DD/YYYY").has_value()) << bad;
  EXPECT_FALSE(decodeDate("30022024", "DDMMYYYY").has_value());
}

TEST(ImportLine, NamesTheFieldThatDoesNotFit) {
  const LineLayout l = layout('C', "Q00U00E00#00T00L00");
  auto error = [&](const char* line) {
    ImportItem item;
    return readItem(l, line, item);
  };
  EXPECT_EQ(error("EX-1,abc,1,03/05/2024"), R"(Total Units "abc" is not a number)");
  EXPECT_EQ(error("EX-1,1,70000,03/05/2024"), R"(Employee ID "70000" is out of range)");
  EXPECT_EQ(error("EX-1,1,-1,03/05/2024"), R"(Employee ID "-1" is out of range)");
  EXPECT_EQ(error("EX-1,1,1,02/30/2024"), R"(Date "02/30/2024" is not a valid date)");
  EXPECT_EQ(error("EX-1,1000000000,1,03/05/2024"), R"(Total Units "1000000000" is too large)");
  ImportItem item;
  ASSERT_EQ(readItem(l, "EX-1,,65535,,rental,yard1", item), "");
  EXPECT_TRUE(item.units.isZero());  // an empty number is 0
  EXPECT_EQ(item.employeeId, 65535);
  EXPECT_EQ(item.chargeType.str(), "RENTAL");
  EXPECT_EQ(item.location.str(), "YARD1");
  // A source whose date format is none of the twelve cannot date a line: each one says so.
  ImportItem undated;
  EXPECT_EQ(readItem(layout('C', "Q00#00", "YYYYMMDD"), "EX-1,20240305", undated),
            R"(Date "20240305" cannot be read: the source's date format "YYYYMMDD" is not one )"
            "of the twelve");
  EXPECT_FALSE(isDateFormat("YYYYMMDD"));
  EXPECT_TRUE(isDateFormat("DD-MM-YY  "));
}

TEST(ImportLine, FixedPositionsCountCharactersOfTheDecodedLine) {
  // 60 characters: Q10 #08 U08 G04 M20 L05 E05.
  const LineLayout l = layout('F', "Q10#08U08G04M20L05E05", "MMDDYYYY");
  const std::string line =
      "EX-1      03052024     8.56100Caf\xC3\xA9 fa\xC3\xA7"
      "ade M\xC3\xBCller  YARD   103";
  ImportItem item;
  ASSERT_EQ(readItem(l, line, item), "");
  EXPECT_EQ(item.comment.str(),
            "Caf\xC3\xA9 fa\xC3\xA7"
            "ade M\xC3\xBCller");
  EXPECT_EQ(item.location.str(), "YARD");
  EXPECT_EQ(item.employeeId, 103);
  EXPECT_EQ(item.units, usagelog::test::money("8.5"));
  ImportItem strasse;
  ASSERT_EQ(readItem(l,
                     "EX-1      03052024       16100Stra\xC3\x9F"
                     "e              YARD   103",
                     strasse),
            "");
  EXPECT_EQ(strasse.location.str(), "YARD");
  EXPECT_EQ(strasse.employeeId, 103);
}

TEST(ImportLine, QuotedFieldsFollowRfc4180AndTheFieldCountNeverShifts) {
  const LineLayout l = layout('C', "Q00M00#00J00E00");
  ImportItem item;
  ASSERT_EQ(readItem(l, R"(EX-1, "Trench, east" ,12/ 5/2026,2144,101)", item), "");
  EXPECT_EQ(item.comment.str(), "Trench, east");
  EXPECT_EQ(item.date, ymd(2026, 12, 5));
  EXPECT_EQ(item.jobId.str(), "2144");
  EXPECT_EQ(item.employeeId, 101);
  ImportItem bad;
  EXPECT_EQ(readItem(l, R"(EX-1,"Trench" east,12/ 5/2026,2144,101)", bad),
            "Comment: text after the closing quote");
  EXPECT_EQ(readItem(l, "EX-1,Trench, east,12/ 5/2026,2144,101", bad),
            "Line has 6 fields; the source reads 5");
  EXPECT_EQ(readItem(l, R"(EX-1,"Trench)", bad), "Comment: the quote is not closed");
  EXPECT_EQ(readItem(l, "EX-1,a,12/5/2026,2144,101,, ,", bad), "");  // empty extras are fine
  EXPECT_TRUE(endsInsideQuotes(l, R"(EX-1,"Line one)"));
  EXPECT_FALSE(endsInsideQuotes(l, R"(EX-1,"a ""b"" c",x)"));
  EXPECT_FALSE(endsInsideQuotes(layout('F', "M10"), R"("open)"));
  EXPECT_EQ(encodingNamed("cp1252"), TextEncoding::Windows1252);
  EXPECT_EQ(encodingNamed("Latin-1"), TextEncoding::Latin1);
  EXPECT_FALSE(encodingNamed("EBCDIC"));
}

TEST(ImportLine, ReadsCrLfAndCrLineEndsAndDecodesTheWholeFileOneWay) {
  ::koreq::test::TempDir tmp;
  auto lines = [&](const std::string& bytes, TextEncoding e = TextEncoding::Auto) {
    std::ofstream(tmp.path / "f.txt", std::ios::binary) << bytes;
    std::string why, line;
    long n = 0;
    auto r = LineReader::open((tmp.path / "f.txt").string(), &why, e);
    std::vector<std::string> out;
    for (LineReader::Status s; (s = r->next(line, n)) != LineReader::Status::End;)
      out.push_back(s == LineReader::Status::Line ? line : "#" + std::to_string(int(s)));
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(lines("a\rb\r\nc\n\rd"), (V{"a", "b", "c", "", "d"}));
  // CR LF split across two reads of the buffer is still one line end.
  const V crlf = lines("\n" + [] {
    std::string s;
    for (int i = 0; i < 20000; ++i) s += "ab\r\n";
    return s;
  }());
  ASSERT_EQ(crlf.size(), 20001u);
  EXPECT_EQ(std::count(crlf.begin(), crlf.end(), "ab"), 20000);
  // Windows-1252: a file that is not UTF-8 is read so, also on its plain lines.
  EXPECT_EQ(lines("plain\nO\x92"
                  "Brien \x96 fuel\n"),
            (V{"plain", "O\u2019Brien \u2013 fuel"}));
  EXPECT_EQ(lines("Caf\xC3\xA9\n"), (V{"Caf\xC3\xA9"}));
  EXPECT_EQ(lines("Caf\xE9\n", TextEncoding::Latin1), (V{"Caf\xC3\xA9"}));
  EXPECT_EQ(lines("Stra\xDF"
                  "e\n"),
            (V{"Stra\xC3\x9F"
               "e"}));  // Latin-1 letters alike
  // Named wrongly, the line is an error rather than invisible characters.
  EXPECT_EQ(lines("O\x92x\n", TextEncoding::Latin1), (V{"#2"}));
  EXPECT_EQ(lines("O\x92x\n", TextEncoding::Utf8), (V{"#3"}));
  EXPECT_EQ(lines("\x81\n"), (V{"#2"}));  // unassigned in Windows-1252
}

TEST(ImportLine, TwoImportsAtOnceEachReadTheirOwnWorkFile) {
  ::koreq::test::TempDir tmp;
  const std::string work = (tmp.path / "Import.txt").string();
  std::ofstream(tmp.path / "a.txt") << "first\n";
  std::ofstream(tmp.path / "b.txt") << "second\n";
  std::string why, line;
  long n = 0;
  auto a = LineReader::throughWorkFile((tmp.path / "a.txt").string(), work, &why);
  auto b = LineReader::throughWorkFile((tmp.path / "b.txt").string(), work, &why);
  ASSERT_TRUE(a && b) << why;
  ASSERT_EQ(a->next(line, n), LineReader::Status::Line);
  EXPECT_EQ(line, "first");
  a.reset();
  EXPECT_TRUE(std::filesystem::exists(work));  // still the other import's
  b.reset();
  EXPECT_FALSE(std::filesystem::exists(work));
  EXPECT_FALSE(LineReader::throughWorkFile((tmp.path / "none.txt").string(), work, &why));
  EXPECT_EQ(why, "No such file or directory Opening File");
}

TEST(ImportFiles, DialogsStartInTheDocumentsFolderThenWhereTheUserLastChose) {
  ::koreq::test::TempDir tmp;
  namespace fs = std::filesystem;
  fs::create_directories(tmp.path / "config");
  fs::create_directories(tmp.path / "Dokumente");
  fs::create_directories(tmp.path / "shop");
  std::ofstream(tmp.path / "config" / "user-dirs.dirs")
      << "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
  const char* oldHome = std::getenv("HOME");
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedHome = oldHome ? oldHome : "", savedConfig = oldConfig ? oldConfig : "";
  ::setenv("HOME", tmp.path.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (tmp.path / "config").c_str(), 1);
  const fs::path ini = tmp.path / "koreq.ini";
  EXPECT_EQ(dialogFolder(ini), tmp.path / "Dokumente");
  rememberDialogFolder(ini, tmp.path / "shop" / "meters.csv");
  EXPECT_EQ(dialogFolder(ini), tmp.path / "shop");
  fs::remove(tmp.path / "shop");
  EXPECT_EQ(dialogFolder(ini), tmp.path / "Dokumente");  // gone: back to the documents
  oldHome ? ::setenv("HOME", savedHome.c_str(), 1) : ::unsetenv("HOME");
  oldConfig ? ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
}

class ImportCompany : public usagelog::test::PostingCompany {
 protected:
  void SetUp() override {
    PostingCompany::SetUp();
    data::JcCost labour;
    labour.JobID = "2144";
    labour.CostCode = "02-300";
    labour.CostType = "L";
    labour.EntryMask = "02-300L";
    usagelog::test::add(ctx(), labour);
    batch(7, 70);
    checker_.emplace(ctx());
  }
  std::string check(const char* line, ImportItem* out = nullptr) {
    ImportItem item;
    std::string e = readItem(layout('C', kBuiltInMap), line, item);
    if (e.empty()) e = checker().check(item);
    if (out) *out = item;
    return e;
  }
  struct Read {
    std::vector<ImportItem> items;
    std::vector<ImportError> errors;
    ImportRead read;
  };
  Read readFile(const std::string& text, const LineLayout& l) {
    Read r;
    std::string why;
    EXPECT_TRUE(readImportFile(
        ctx(), checker(), l, writeFile(text), [&](ImportItem& i) { r.items.push_back(i); },
        [&](const ImportError& e) { r.errors.push_back(e); }, &why, &r.read))
        << why;
    return r;
  }
  std::string writeFile(const std::string& text) {
    const std::string path = (dir() / "in.txt").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  ImportChecker& checker() { return *checker_; }
  std::optional<ImportChecker> checker_;
};

TEST_F(ImportCompany, ChecksInTheirOrderAndCompletesTheItem) {
  // Q S F U T D G J C P A M # L E
  EXPECT_EQ(check("ZZ,0,0,1,,Job,,2144,02-200E"), "Equipment: ZZ Not Found");
  EXPECT_EQ(check("EX-1,0,0,1"), "Invalid Record");
  EXPECT_EQ(check("EX-1,0,0,1,,Job"), "Missing Job ID");
  EXPECT_EQ(check("EX-1,0,0,1,,,,9999,02-200E"), "Job: 9999 Not Found");
  EXPECT_EQ(check("EX-1,0,0,1,,,,2144"), "No Cost Code");
  EXPECT_EQ(check("EX-1,0,0,1,,,,2144,02-777E"), "Cost Code 02-777E on Job 2144 Not Found");
  EXPECT_EQ(check("EX-1,0,0,1,,G/L Account"), "Missing GL Account");
  EXPECT_EQ(check("EX-1,0,0,1,,,8888"), "Account: 8888 Not Found");
  EXPECT_EQ(check("EX-1,0,0,1,,Equipment,,,,,PM-A"), "Missing Equipment ID");
  EXPECT_EQ(check("EX-1,0,0,1,,,,,,DT-2"), "No Cost Category");
  EXPECT_EQ(check("EX-1,0,0,1,,,,,,DT-2,PM-A"), "Category PM-A on Equipment DT-2 Not Found");
  EXPECT_EQ(check("EX-1,0,0,1,,Maint,,,,,REPAIR"), "Category REPAIR on Equipment EX-1 Not Found");
  EXPECT_EQ(check("EX-1,100,100,0,,,6100"), "No Units");

  ImportItem item;
  ASSERT_EQ(check("EX-1,100,130,0,,,,2144,02-200E", &item), "");
  EXPECT_EQ(item.detailType.str(), "Job");  // blank detail type with a job: a Job line
  EXPECT_EQ(item.units, usagelog::test::money("30"));
  EXPECT_EQ(item.chargeType.str(), "I");
  EXPECT_EQ(item.date, ymd(2024, 3, 20));  // no date: today
  ASSERT_EQ(check("EX-1,0,0,2,,,,,,,PM-A", &item), "");
  EXPECT_EQ(item.detailType.str(), "Maintenance");
  ASSERT_EQ(check("EX-1,0,0,2,,,,2144,02-300L", &item), "");
  EXPECT_TRUE(checker().chargedToOtherCostType(item));
  ASSERT_EQ(check("EX-1,0,0,2,,,6100,,,,,,03/05/2024", &item), "");
  EXPECT_FALSE(checker().chargedToOtherCostType(item));  // no job cost code
}

TEST_F(ImportCompany, RefusesAnAmountTooLargeForItsFieldBeforeWriting) {
  // EX-1: internal 100.00, rental 150.00; the entry's amounts hold 999,999,999.99.
  EXPECT_EQ(check("EX-1,0,0,99999999.99,I,,6100"),
            "Gross Amount 9999999999 (99999999.99 units at 100) is too large for its field");
  EXPECT_EQ(check("EX-1,-900000000,900000000,0,I,,6100"),
            "Total Units 1800000000 is too large for its field");
  EXPECT_EQ(check("EX-1,0,0,6666666.66,R,,6100"), "");  // 999,999,999.00
}

TEST_F(ImportCompany, SpanningQuotesHeaderAndEmptyRows) {
  LineLayout l = layout('C', kBuiltInMap);
  l.header = true;
  const Read r = readFile(
      "Equipment,Start,End,Units\r"
      ",,,,,,,,,,,,,,\r"
      "EX-1,0,0,1,I,,6100,,,,,\"Line one\r\nline two\",03/05/2024\r"
      "EX-1,0,0,2,I,,6100\r"
      "EX-1,0,0,3,I,,6100,,,,,\"never closed\n"
      "EX-1,0,0,4,I,,6100\n",
      l);
  EXPECT_EQ(r.read.header, "Equipment,Start,End,Units");
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[0].comment.str(), "Line one line two");
  EXPECT_EQ(r.items[0].lineNumber, 3);
  EXPECT_EQ(r.items[1].lineNumber, 5);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].line, 6);
  EXPECT_EQ(r.errors[0].text, "Comment: the quote is not closed (lines 6 to 7 read as one)");
  // Without the header option the header is a line like any other.
  l.header = false;
  const Read plain = readFile("Equipment,Start\n,,,\n", l);
  ASSERT_EQ(plain.errors.size(), 1u);  // the row of commas is a blank line
  EXPECT_EQ(plain.errors[0].text, R"(Meter Start "Start" is not a number)");
}

TEST_F(ImportCompany, NamesLinesThatRepeatAnEntryOfTheBatchOrAPostedOne) {
  usagelog::test::add(ctx(), entry(7, "EX-1", ymd(2024, 3, 5), "8", "G/L Account"));
  usagelog::test::add(ctx(), entry(9, "EX-1", ymd(2024, 3, 6), "8", "G/L Account"));  // not 7
  data::EqLog posted;
  posted.RecordID = 1;
  posted.EquipmentID = "EX-1";
  posted.Date = ymd(2024, 3, 7);
  posted.StartMeter = usagelog::test::money("1000");
  posted.EndMeter = usagelog::test::money("1008");
  posted.Units = usagelog::test::money("8");
  usagelog::test::add(ctx(), posted);
  DuplicateCheck dup(ctx(), 7);
  auto where = [&](const char* line) {
    ImportItem item;
    EXPECT_EQ(check(line, &item), "") << line;
    return dup.duplicateOf(item);
  };
  EXPECT_EQ(where("EX-1,1000,1008,8,I,,6100,,,,,,03/05/2024"), "already in batch 7");
  EXPECT_EQ(where("EX-1,1000,1008,8,I,,6100,,,,,,03/06/2024"), "");
  EXPECT_EQ(where("EX-1,1000,1008,8,I,,6100,,,,,,03/07/2024"), "already posted");
  EXPECT_EQ(where("EX-1,1000,1009,9,I,,6100,,,,,,03/05/2024"), "");
}

TEST_F(ImportCompany, CountsEveryLineAndAddsThePricedEntriesAllOrNothing) {
  const std::string file = writeFile(
      "EX-1,0,0,2,rental,,6100,,,,,a much longer comment than twenty,03/05/2024,yd,12\r\n"
      "\r\n"
      "EX-1,0,0,abc,,,6100\n" +
      std::string(1100, 'x') + "\n" + std::string("EX-1\x01,0\n") + "EX-1,0,0,3,I,,6100\n" +
      std::string("EX-1,0,0,1,I,,6100,,,,,fuel\0top-up\n", 35) +
      std::string("EX-1,0,0,1,I,,6100,,,,,Caf\xE9\n"));
  std::vector<ImportItem> items;
  std::vector<ImportError> errors;
  std::string why;
  ASSERT_TRUE(readImportFile(
      ctx(), checker(), layout('C', kBuiltInMap), file, [&](ImportItem& i) { items.push_back(i); },
      [&](const ImportError& e) { errors.push_back(e); }, &why))
      << why;
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_EQ(errors[0].line, 3);  // the blank line counts
  EXPECT_EQ(errors[1].text, "Line is longer than 1,024 characters");
  EXPECT_EQ(errors[2].text, "Line is not text");
  EXPECT_EQ(errors[3].text, "Comment holds a NUL character, which no text can hold");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].comment.str(), "Caf\xC3\xA9");  // not UTF-8: Windows-1252
  EXPECT_FALSE(std::filesystem::exists(dir() / "company" / "Import.txt"));

  EntryWriter writer(ctx(), checker(), 7);
  ASSERT_TRUE(data::allOrNothing(store(), [&](std::string* w) {
    for (const auto& i : items)
      if (!writer.add(i, w)) return false;
    return true;
  }));
  auto entries = usagelog::test::all<data::EqLogB>(store());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].ChargeType.str(), "R");
  EXPECT_EQ(entries[0].GrossAmount, usagelog::test::money("300.00"));  // 2 x rental 150
  EXPECT_EQ(entries[0].AdjustedAmount, entries[0].GrossAmount);
  EXPECT_EQ(entries[0].Comments.str(), "a much longer commen");
  EXPECT_EQ(entries[0].Location.str(), "YD");
  EXPECT_EQ(entries[1].GrossAmount, usagelog::test::money("300.00"));  // 3 x internal 100
  EXPECT_EQ(entries[1].BatchID, 7);

  // A failure part-way leaves none of the entries.
  EXPECT_FALSE(data::allOrNothing(store(), [&](std::string* w) {
    writer.add(items[0], w);
    *w = "stopped";
    return false;
  }));
  EXPECT_EQ(usagelog::test::all<data::EqLogB>(store()).size(), 3u);
}

TEST_F(ImportCompany, AnExportedBatchReadsBackWithTheSameValues) {
  batch(8, 80);
  data::EqLogB job = entry(7, "EX-1", ymd(2024, 3, 5), "8.5", "Job", "R");
  job.JobID = "2144";
  job.CostCode = "02-200E";
  job.GLAccount = "5100-000-012";  // the entry's full 12 characters
  job.Comments = R"(Pour, "north" wall)";
  job.Location = "YARD";
  job.EmployeeID = 65000;
  usagelog::test::add(ctx(), job);
  data::EqLogB maint = entry(7, "DT-2", ymd(2024, 12, 1), "-2.25", "Maintenance");
  maint.Category = "REPAIR";
  usagelog::test::add(ctx(), maint);
  const std::string file = (dir() / "batch7.txt").string();
  ASSERT_TRUE(exportBatch(ctx(), 7, file).complete());

  std::vector<ImportItem> items;
  std::string why;
  ASSERT_TRUE(readImportFile(
      ctx(), checker(), layout('C', kBuiltInMap), file, [&](ImportItem& i) { items.push_back(i); },
      [&](const ImportError& e) { ADD_FAILURE() << e.line << ": " << e.text; }, &why))
      << why;
  EntryWriter writer(ctx(), checker(), 8);
  ASSERT_TRUE(data::allOrNothing(store(), [&](std::string* w) {
    for (const auto& i : items)
      if (!writer.add(i, w)) return false;
    return true;
  }));
  std::vector<data::EqLogB> before, after;
  for (const auto& e : usagelog::test::all<data::EqLogB>(store()))
    (e.BatchID == 7 ? before : after).push_back(e);
  ASSERT_EQ(after.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    data::EqLogB expected = before[i];
    expected.LogID = after[i].LogID;
    expected.BatchID = 8;
    EXPECT_EQ(usagelog::detail::rowOf(after[i]), usagelog::detail::rowOf(expected)) << i;
  }
}

}  // namespace
}  // namespace koreq::interchange
