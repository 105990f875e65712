#include "app/logic/ProgramList.h"

#include <gtest/gtest.h>

namespace sweeplet {
namespace {

using Names = std::vector<std::wstring>;

struct Case {
  const char* name;
  std::wstring text;
  Names names;
  ProgramListError error;
  std::wstring offending;
};

class ProgramListParse : public ::testing::TestWithParam<Case> {};

TEST_P(ProgramListParse, KeepsWholeListsOfBareNamesOnly) {
  const Case& c = GetParam();
  const ProgramList list = ParseProgramList(c.text);
  EXPECT_EQ(list.error, c.error);
  EXPECT_EQ(list.names, c.names);
  EXPECT_EQ(list.offending, c.offending);
}

const std::wstring k260(260, L'a');

std::wstring Many(int n) {
  std::wstring text;
  for (int i = 0; i < n; ++i) text += L"p" + std::to_wstring(i) + L".exe;";
  return text;
}

Names ManyNames(int n) {
  Names names;
  for (int i = 0; i < n; ++i) names.push_back(L"p" + std::to_wstring(i) + L".exe");
  return names;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ProgramListParse,
    ::testing::Values(
        Case{"Empty", L"", {}, ProgramListError::None, L""},
        Case{"OnlySeparators", L" ; ;; ", {}, ProgramListError::None, L""},
        Case{"Two", L"game.exe; vmware-vmx.exe", {L"game.exe", L"vmware-vmx.exe"}, ProgramListError::None, L""},
        Case{"BlanksAndEmptyEntries", L"  a b.exe ;;\tc.exe;", {L"a b.exe", L"c.exe"}, ProgramListError::None, L""},
        Case{"NotAscii", L"\u30b2\u30fc\u30e0.exe", {L"\u30b2\u30fc\u30e0.exe"}, ProgramListError::None, L""},
        Case{"Backslash", L"ok.exe; C:\\Games\\game.exe", {}, ProgramListError::PathSeparator, L"C:\\Games\\game.exe"},
        Case{"Slash", L"bin/game.exe", {}, ProgramListError::PathSeparator, L"bin/game.exe"},
        Case{"DriveColon", L"c:game.exe", {}, ProgramListError::PathSeparator, L"c:game.exe"},
        Case{"Star", L"game*.exe", {}, ProgramListError::Wildcard, L"game*.exe"},
        Case{"Question", L"gam?.exe", {}, ProgramListError::Wildcard, L"gam?.exe"},
        Case{"Pipe", L"a|b.exe", {}, ProgramListError::BadCharacter, L"a|b.exe"},
        Case{"ControlCharacter", std::wstring(L"a\x01.exe"), {}, ProgramListError::BadCharacter, std::wstring(L"a\x01.exe")},
        Case{"DotOnly", L"..", {}, ProgramListError::BadCharacter, L".."},
        Case{"Longest", k260, {k260}, ProgramListError::None, L""},
        Case{"TooLong", k260 + L"a", {}, ProgramListError::TooLong, std::wstring(64, L'a')},
        Case{"ThirtyTwo", Many(32), ManyNames(32), ProgramListError::None, L""},
        Case{"ThirtyThree", Many(33), {}, ProgramListError::TooMany, L""},
        // The first broken name is the one reported, and nothing of the list is kept.
        Case{"FirstErrorWins", L"a.exe; *.exe; c:\\x.exe", {}, ProgramListError::Wildcard, L"*.exe"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramListJoin, GivesBackWhatParsesToTheSameNames) {
  const Names names = {L"game.exe", L"a b.exe", L"vm.exe"};
  EXPECT_EQ(JoinProgramList(names), L"game.exe; a b.exe; vm.exe");
  EXPECT_EQ(ParseProgramList(JoinProgramList(names)).names, names);
  EXPECT_EQ(JoinProgramList({}), L"");
}

}  // namespace
}  // namespace sweeplet
