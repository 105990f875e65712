#include "autostart/LogonTaskPolicy.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "i18n/TranslationTable.h"

namespace sweeplet {
namespace {

using E = LogonTaskEvent;
using T = ExistingTask;
using C = TaskChange;

const char* Name(E e) {
  switch (e) {
    case E::Install: return "Install";
    case E::Load: return "Load";
    case E::Check: return "Check";
    case E::Uncheck: return "Uncheck";
  }
  return "?";
}
const char* Name(T t) {
  switch (t) {
    case T::None: return "None";
    case T::ThisCopy: return "ThisCopy";
    case T::OtherProgram: return "OtherProgram";
  }
  return "?";
}

struct Case {
  E event;
  bool copyProtected;
  T existing;
  LogonTaskPlan plan;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << Name(c.event) << (c.copyProtected ? " protected " : " unprotected ") << Name(c.existing);
}

class PlanLogonTaskTest : public ::testing::TestWithParam<Case> {};

TEST_P(PlanLogonTaskTest, PlansTheTaskTheBoxAndTheNotice) {
  const Case& c = GetParam();
  const LogonTaskPlan plan = PlanLogonTask(c.event, c.copyProtected, c.existing, false);
  EXPECT_EQ(static_cast<int>(plan.change), static_cast<int>(c.plan.change));
  EXPECT_EQ(plan.delaySeconds, c.plan.delaySeconds);
  EXPECT_EQ(plan.boxChecked, c.plan.boxChecked);
  EXPECT_EQ(plan.tellUser, c.plan.tellUser);

  // Told once already: the same plan, only without the notice.
  LogonTaskPlan again = c.plan;
  again.tellUser = false;
  EXPECT_TRUE(PlanLogonTask(c.event, c.copyProtected, c.existing, true) == again);
}

// {change, delay, box checked, tell the user}
INSTANTIATE_TEST_SUITE_P(
    Protected, PlanLogonTaskTest,
    ::testing::Values(
        // As always for a copy only administrators can replace: "/inst" with a minute's delay, the
        // load registering any task of our name again without one, the box doing what it says.
        Case{E::Install, true, T::None, {C::Register, 60, true, false}},
        Case{E::Install, true, T::OtherProgram, {C::Register, 60, true, false}},
        Case{E::Load, true, T::None, {C::None, 0, false, false}},
        Case{E::Load, true, T::ThisCopy, {C::Register, 0, true, false}},
        Case{E::Load, true, T::OtherProgram, {C::Register, 0, true, false}},
        Case{E::Check, true, T::None, {C::Register, 0, true, false}},
        Case{E::Check, true, T::ThisCopy, {C::Register, 0, true, false}},
        Case{E::Uncheck, true, T::ThisCopy, {C::Remove, 0, false, false}},
        Case{E::Uncheck, true, T::OtherProgram, {C::Remove, 0, false, false}}));

INSTANTIATE_TEST_SUITE_P(
    Unprotected, PlanLogonTaskTest,
    ::testing::Values(
        // Never registered; a task starting this copy goes; an installed copy's task stays.
        Case{E::Install, false, T::None, {C::None, 0, false, true}},
        Case{E::Install, false, T::ThisCopy, {C::Remove, 0, false, true}},
        Case{E::Install, false, T::OtherProgram, {C::None, 0, false, true}},
        Case{E::Load, false, T::None, {C::None, 0, false, false}},
        Case{E::Load, false, T::ThisCopy, {C::Remove, 0, false, true}},
        Case{E::Load, false, T::OtherProgram, {C::None, 0, false, false}},
        Case{E::Check, false, T::None, {C::None, 0, false, true}},
        Case{E::Check, false, T::ThisCopy, {C::Remove, 0, false, true}},
        Case{E::Check, false, T::OtherProgram, {C::None, 0, false, true}},
        Case{E::Uncheck, false, T::None, {C::None, 0, false, false}},
        Case{E::Uncheck, false, T::ThisCopy, {C::Remove, 0, false, false}},
        Case{E::Uncheck, false, T::OtherProgram, {C::None, 0, false, false}}));

// A start with "/inst" from a downloads folder, then the user ticking the box twice: one notice.
TEST(PlanLogonTaskSequence, TellsOncePerRun) {
  bool told = false;
  int notices = 0;
  ExistingTask existing = ExistingTask::ThisCopy;  // left behind by an older version
  for (const LogonTaskEvent event : {E::Install, E::Load, E::Check, E::Check}) {
    const LogonTaskPlan plan = PlanLogonTask(event, false, existing, told);
    EXPECT_FALSE(plan.boxChecked) << Name(event);
    if (plan.change == TaskChange::Remove) existing = ExistingTask::None;
    if (plan.tellUser) ++notices;
    told = told || plan.tellUser;
  }
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(existing, ExistingTask::None);
}

// The notice is a key of the embedded table, with a text of its own in every language.
TEST(ProtectedFolderNotice, IsTranslatedIntoEveryLanguage) {
  std::ifstream in(SWEEPLET_TRANSLATE_TXT, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(bytes.empty()) << SWEEPLET_TRANSLATE_TXT;
  const TranslationTable table = TranslationTable::Parse(bytes);
  const std::string english = table.Translate(kProtectedFolderNotice, "en");
  EXPECT_EQ(english, "Starting at logon needs Sweeplet installed in a protected folder such as Program Files.");
  EXPECT_EQ(table.Translate(english, "ko"), kProtectedFolderNotice);
  for (const char* language : {"ja", "zh", "ru", "it", "fr", "ar"}) {
    const std::string text = table.Translate(kProtectedFolderNotice, language);
    EXPECT_NE(text, english) << language;  // not the English fallback
    EXPECT_NE(text, kProtectedFolderNotice) << language;
    EXPECT_NE(text.find("Program Files"), std::string::npos) << language;
  }
}

}  // namespace
}  // namespace sweeplet
