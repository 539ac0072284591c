// Matching two real trees: every outcome, the plan's order and wording, and the report.
#include "compare/comparison.h"

#include "compare/folder_scan.h"
#include "compare/report.h"
#include "fakes/recording_messages.h"
#include "fakes/temp_tree.h"

#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace parlowen {
namespace {

using testing::RecordingMessages;
using testing::TempTree;

constexpr std::int64_t kEarly = 1'500'000'000;
constexpr std::int64_t kLate = 1'600'000'000;

class ComparisonTest : public ::testing::Test
{
protected:
    Comparison compare()
    {
        auto c = compareFolders(left.root(), right.root());
        for (const auto& sentence : c.skipped)
            messages.show("Skip", sentence);
        return c;
    }
    static const ResultRow& row(const std::vector<ResultRow>& rows, const std::string& name)
    {
        for (const auto& r : rows) {
            if (r.relativeName == name)
                return r;
        }
        throw std::runtime_error("no row " + name);
    }
    std::string l(const std::string& name) const { return left.path(name); }
    std::string r(const std::string& name) const { return right.path(name); }

    TempTree left;
    TempTree right;
    RecordingMessages messages;
};

TEST_F(ComparisonTest, BothSidesAtOnceMatchOneSideAfterTheOther)
{
    for (TempTree* side : {&left, &right}) {
        side->file("same.mp3", "same", kEarly);
        side->file("Album/bad\xff.mp3");
        side->file("Locked/inside.mp3", "x");
        ::chmod(side->path("Locked").c_str(), 0); // unreadable, but for root
        ::symlink(side->root().c_str(), side->path("Album/loop").c_str());
    }
    left.file("Album/newer.mp3", "left is longer", kLate);
    right.file("Album/newer.mp3", "right", kEarly);
    left.file("Only\xfe left/a.mp3");
    right.file("only-right.mp3", "r");
    const auto together = compareFolders(left.root(), right.root());

    Comparison apart;
    auto l = Main::ScanFolderTree(left.root());
    auto r = Main::ScanFolderTree(right.root());
    apart.left = l.rows;
    apart.right = r.rows;
    matchRows(apart, left.root(), right.root());
    const auto record = [](const Comparison& c) {
        std::ostringstream text;
        writeReport(text, c);
        return text.str();
    };
    EXPECT_EQ(record(together), record(apart));
    auto skipped = l.skipped;
    skipped.insert(skipped.end(), r.skipped.begin(), r.skipped.end());
    EXPECT_EQ(together.skipped, skipped);
    ASSERT_EQ(skipped.size(), 3u);
    EXPECT_EQ(skipped[0].rfind(left.root(), 0), 0u); // the left side's first
    EXPECT_EQ(skipped[2].rfind(right.root(), 0), 0u);
    for (TempTree* side : {&left, &right})
        ::chmod(side->path("Locked").c_str(), 0755);
}

TEST(SkipReport, OneLineAnEntryTheFirstTwenty)
{
    std::vector<std::string> skipped;
    for (int i = 1; i <= 25; ++i)
        skipped.push_back("entry " + std::to_string(i));
    const std::string report = skipReport(skipped);
    EXPECT_EQ(report.substr(0, 16), "entry 1\nentry 2\n");
    EXPECT_NE(report.find("\nentry 20\n... and 5 more."), std::string::npos);
    EXPECT_EQ(report.find("entry 21"), std::string::npos);
    EXPECT_EQ(skipReport({"only one"}), "only one");
}

TEST_F(ComparisonTest, EqualSizesAreOkWhateverTheTimes)
{
    left.file("a.mp3", "same", kEarly);
    right.file("a.mp3", "SAME", kLate);
    const auto c = compare();
    EXPECT_EQ(c.left[0].status, RowStatus::Ok);
    EXPECT_EQ(c.right[0].status, RowStatus::Ok);
    EXPECT_EQ(c.left[0].icon, RowIcon::None);
    EXPECT_TRUE(c.plan.empty());
}

TEST_F(ComparisonTest, LaterLeftFileOverwritesRightFile)
{
    left.file("Album/a.mp3", "longer", kLate);
    right.file("Album/a.mp3", "short", kEarly);
    const auto c = compare();
    EXPECT_EQ(c.left[0].status, RowStatus::Newer);
    EXPECT_EQ(c.left[0].icon, RowIcon::Newer);
    EXPECT_EQ(c.right[0].status, RowStatus::Older);
    EXPECT_EQ(c.right[0].icon, RowIcon::Older);
    ASSERT_EQ(c.plan.size(), 1u);
    const auto& op = c.plan[0];
    EXPECT_EQ(op.OpAction, "overwrites");
    EXPECT_EQ(op.OpSource, l("Album/a.mp3"));
    EXPECT_EQ(op.OpSourcePath, l("Album/a.mp3"));
    EXPECT_EQ(op.OpDestination, r("Album/a.mp3"));
    EXPECT_EQ(op.OpTargetPath, r("Album/a.mp3"));
    EXPECT_EQ(op.OpReplacedPath, r("Album/a.mp3"));
}

TEST_F(ComparisonTest, LaterRightFileOverwritesLeftFile)
{
    left.file("a.mp3", "longer", kEarly);
    right.file("a.mp3", "short", kLate);
    const auto c = compare();
    EXPECT_EQ(c.left[0].status, RowStatus::Older);
    EXPECT_EQ(c.left[0].icon, RowIcon::Older);
    EXPECT_EQ(c.right[0].status, RowStatus::Newer);
    EXPECT_EQ(c.right[0].icon, RowIcon::Newer);
    ASSERT_EQ(c.plan.size(), 1u);
    EXPECT_EQ(c.plan[0].OpSource, r("a.mp3"));
    EXPECT_EQ(c.plan[0].OpTargetPath, l("a.mp3"));
    EXPECT_EQ(c.plan[0].OpReplacedPath, l("a.mp3"));
}

TEST_F(ComparisonTest, DifferentSizesWrittenInTheSameSecondPlanNothing)
{
    left.file("a.mp3", "longer", kLate);
    right.file("a.mp3", "short", kLate);
    const auto c = compare();
    EXPECT_EQ(c.left[0].status, RowStatus::None);
    EXPECT_EQ(c.right[0].status, RowStatus::None);
    EXPECT_EQ(c.right[0].icon, RowIcon::None);
    EXPECT_TRUE(c.plan.empty());
}

TEST_F(ComparisonTest, OneSidedFilesAreCopiedToTheOtherRoot)
{
    left.file("Album/only-left.mp3", "x");
    right.file("only-right.mp3", "y");
    const auto c = compare();
    EXPECT_EQ(row(c.left, "Album/only-left.mp3").status, RowStatus::NotFound);
    EXPECT_EQ(row(c.left, "Album/only-left.mp3").icon, RowIcon::NoMatch);
    EXPECT_EQ(row(c.right, "only-right.mp3").status, RowStatus::NotFound);
    ASSERT_EQ(c.plan.size(), 2u);
    const auto& toRight = c.plan[0];
    EXPECT_EQ(toRight.OpAction, "copied to");
    EXPECT_EQ(toRight.OpSource, l("Album/only-left.mp3"));
    EXPECT_EQ(toRight.OpDestination, right.root() + "/");
    EXPECT_EQ(toRight.OpTargetPath, r("Album/only-left.mp3"));
    EXPECT_EQ(toRight.OpReplacedPath, "");
    EXPECT_EQ(c.plan[1].OpDestination, left.root() + "/");
    EXPECT_EQ(c.plan[1].OpTargetPath, l("only-right.mp3"));
}

TEST_F(ComparisonTest, NamesDifferingOnlyInCaseDoNotMatch)
{
    left.file("Song.mp3", "x");
    right.file("SONG.MP3", "x");
    const auto c = compare();
    EXPECT_EQ(c.left[0].status, RowStatus::NotFound);
    EXPECT_EQ(c.right[0].status, RowStatus::NotFound);
    EXPECT_EQ(c.plan.size(), 2u);
}

TEST_F(ComparisonTest, PlanListsLeftRowsThenRightOnlyRows)
{
    left.file("a", "left a", kEarly);
    left.file("b", "b");
    right.file("a", "right a, longer", kLate);
    right.file("c", "c");
    const auto c = compare();
    ASSERT_EQ(c.plan.size(), 3u);
    // The left pass follows the left list's order, which is the file system's.
    const bool aFirst = c.left[0].relativeName == "a";
    const auto& overwriteA = c.plan[aFirst ? 0 : 1];
    const auto& copyB = c.plan[aFirst ? 1 : 0];
    EXPECT_EQ(overwriteA.OpSource, r("a"));
    EXPECT_EQ(overwriteA.OpAction, "overwrites");
    EXPECT_EQ(overwriteA.OpDestination, l("a"));
    EXPECT_EQ(copyB.OpSource, l("b"));
    EXPECT_EQ(copyB.OpAction, "copied to");
    EXPECT_EQ(c.plan[2].OpSource, r("c"));
    EXPECT_EQ(c.plan[2].OpAction, "copied to");
}

TEST_F(ComparisonTest, SameFolderOnBothSidesIsAllOk)
{
    left.file("a.mp3", "a");
    left.file("B/b.mp3", "bb");
    const auto c = compareFolders(left.root(), left.root() + "/");
    for (const auto* side : {&c.left, &c.right}) {
        ASSERT_EQ(side->size(), 2u);
        for (const auto& row : *side)
            EXPECT_EQ(row.status, RowStatus::Ok);
    }
    EXPECT_TRUE(c.plan.empty());
}

TEST_F(ComparisonTest, BothEmptyPlanNothing)
{
    const auto c = compare();
    EXPECT_TRUE(c.left.empty());
    EXPECT_TRUE(c.right.empty());
    EXPECT_TRUE(c.plan.empty());
}

TEST_F(ComparisonTest, SizesOver4GiBAreNotConfusedWithSmallFiles)
{
    const std::string big = left.file("a.bin");
    ASSERT_EQ(::truncate(big.c_str(), 4'294'967'301LL), 0);
    left.setModified("a.bin", kLate);
    right.file("a.bin", "12345", kEarly);
    const auto c = compare();
    EXPECT_EQ(c.left[0].status, RowStatus::Newer);
    EXPECT_EQ(c.plan.size(), 1u);
}

TEST(MatchRows, EmptyCellsTakePartAsEmptyTexts)
{
    const auto rows = [](bool hasSize, std::int64_t size, bool hasTime, std::int64_t time) {
        ResultRow r;
        r.relativeName = "x";
        r.hasSize = hasSize;
        r.size = size;
        r.hasModified = hasTime;
        r.modified = time;
        return std::vector<ResultRow>{r};
    };
    // Two empty sizes are equal.
    Comparison both{rows(false, 0, true, 1), rows(false, 0, true, 2), {}};
    matchRows(both, "/l", "/r");
    EXPECT_EQ(both.left[0].status, RowStatus::Ok);
    // An empty size differs from a filled one; an empty time counts as the earlier one.
    Comparison noTime{rows(true, 1, false, 0), rows(false, 0, true, 5), {}};
    matchRows(noTime, "/l", "/r");
    EXPECT_EQ(noTime.left[0].status, RowStatus::Older);
    EXPECT_EQ(noTime.right[0].status, RowStatus::Newer);
    ASSERT_EQ(noTime.plan.size(), 1u);
    EXPECT_EQ(noTime.plan[0].OpSource, "/r/x");
    // Both times empty: equal texts, nothing planned.
    Comparison neither{rows(true, 1, false, 0), rows(true, 2, false, 0), {}};
    matchRows(neither, "/l", "/r");
    EXPECT_EQ(neither.left[0].status, RowStatus::None);
    EXPECT_TRUE(neither.plan.empty());
}

TEST(MatchRows, TheRootFolderKeepsOneSlash)
{
    ResultRow only;
    only.relativeName = "a.mp3";
    Comparison c{{}, {only}, {}};
    matchRows(c, "/music", "/");
    ASSERT_EQ(c.plan.size(), 1u);
    EXPECT_EQ(c.plan[0].OpSource, "/a.mp3");
    EXPECT_EQ(c.plan[0].OpDestination, "/music/");
    EXPECT_EQ(c.plan[0].OpTargetPath, "/music/a.mp3");
}

TEST(Report, EscapesFieldsAndWritesOneRecordALine)
{
    EXPECT_EQ(escapeField("a\\b\tc\rd\ne"), "a\\\\b\\tc\\rd\\ne");
    ResultRow row;
    row.relativeName = "Tab\there.mp3";
    row.hasSize = true;
    row.size = 3;
    row.status = RowStatus::NotFound;
    row.icon = RowIcon::NoMatch;
    Comparison c{{row}, {}, {}};
    c.plan.push_back({.OpSource = "/l/x", .OpDestination = "/r/", .OpSourcePath = "/l/x",
                      .OpTargetPath = "/r/x", .OpAction = "copied to"});
    std::ostringstream out;
    writeReport(out, c);
    EXPECT_EQ(out.str(), "L\tNot found\t3 bytes\t\t4\tTab\\there.mp3\n"
                         "OP\tcopied to\t/l/x\t/r/\t/l/x\t/r/x\t\n");
}

std::vector<ResultRow> named(std::initializer_list<const char*> names, std::int64_t time)
{
    std::vector<ResultRow> rows;
    for (const char* name : names) {
        ResultRow& row = rows.emplace_back();
        row.relativeName = name;
        row.hasSize = row.hasModified = true;
        row.size = static_cast<std::int64_t>(std::string(name).size()) + time % 7;
        row.modified = time;
    }
    return rows;
}

TEST(MatchRows, WhereCapitalsDoNotCountTheOneNameDifferingInThemIsTheNamesake)
{
    struct Case
    {
        const char* what;
        std::vector<ResultRow> left, right;
        bool leftInsensitive, rightInsensitive;
        std::vector<std::string> targets; // the plan, in order
    };
    const Case cases[] = {
        {"a player's folder in capitals",
         named({"RED RIVERS/a.mp3"}, kEarly), named({"Red Rivers/a.mp3"}, kLate), true, false,
         {"/l/RED RIVERS/a.mp3"}},
        {"accented and Cyrillic letters",
         named({"\xC3\x89T\xC3\x89/\xD0\x91.mp3"}, kLate), // ÉTÉ/Б.mp3
         named({"\xC3\xA9t\xC3\xA9/\xD0\xB1.mp3"}, kEarly), false, true,
         {"/r/\xC3\xA9t\xC3\xA9/\xD0\xB1.mp3"}},
        {"both sides tell capitals apart",
         named({"RED RIVERS/a.mp3"}, kEarly), named({"Red Rivers/a.mp3"}, kLate), false, false,
         {"/r/RED RIVERS/a.mp3", "/l/Red Rivers/a.mp3"}},
        {"two names could be the one: none is taken",
         named({"A.mp3", "a.MP3"}, kEarly), named({"a.mp3"}, kLate), true, false,
         {"/r/A.mp3", "/r/a.MP3", "/l/a.mp3"}},
    };
    for (const auto& c : cases) {
        auto left = c.left;
        auto right = c.right;
        ResultStore plan;
        matchRows(left, right, plan, "/l", "/r", {.caseInsensitive = c.leftInsensitive},
                  {.caseInsensitive = c.rightInsensitive});
        std::vector<std::string> targets;
        for (const auto& op : plan)
            targets.push_back(op.OpTargetPath);
        EXPECT_EQ(targets, c.targets) << c.what;
    }
}

TEST(MatchRows, UnderWhatTheOtherSideCouldNotReadNothingIsJudged)
{
    auto left = named({"Locked/a.mp3", "Locked/Deeper/b.mp3", "odd.mp3", "Open/c.mp3"}, kLate);
    auto right = named({"Shut/d.mp3"}, kLate);
    ResultStore plan;
    matchRows(left, right, plan, "/l", "/r", {.unreadable = {"Shut/"}},
              {.unreadable = {"Locked/", "odd.mp3"}});
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].OpTargetPath, "/r/Open/c.mp3");
    for (const auto* rows : {&left, &right}) {
        for (const auto& row : *rows)
            EXPECT_EQ(row.status, row.relativeName == "Open/c.mp3" ? RowStatus::NotFound
                                                                   : RowStatus::None)
                << row.relativeName;
    }
}

} // namespace
} // namespace parlowen
