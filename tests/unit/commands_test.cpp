#include "app/commands.h"
#include "app/shared_state.h"
#include "profiles/profiles.h"
#include "tests/fakes/fake_window.h"

#include <gtest/gtest.h>

namespace {

TEST(DecodeCommand, EveryIdOfTheVocabulary)
{
    struct Expected {
        uint32_t id;
        CommandAction action;
        int32_t value;
    };
    const Expected table[] = {
        {201, ActionOpen, 0},          {202, ActionExit, 0},
        {211, ActionApply, ProfileSilent}, {212, ActionApply, ProfileBalanced},
        {213, ActionApply, ProfilePerformance}, {214, ActionApply, ProfileManual},
        {215, ActionApply, ProfileAggressive},
        {230, ActionPumpDuty, 50},     {232, ActionPumpDuty, 70},  {235, ActionPumpDuty, 100},
        {240, ActionFanDuty, 20},      {241, ActionFanDuty, 30},   {248, ActionFanDuty, 100},
        {250, ActionBrightness, 0},    {251, ActionBrightness, 25},
        {252, ActionBrightness, 50},   {253, ActionBrightness, 100},
    };
    for (const Expected& e : table) {
        const Command command = DecodeCommand(e.id);
        EXPECT_EQ(command.action, e.action) << e.id;
        EXPECT_EQ(command.value, e.value) << e.id;
    }
}

TEST(DecodeCommand, IdsOutsideTheVocabularyAreNotCommands)
{
    int known = 0;
    for (uint32_t id = 0; id < 0x10000; ++id) {
        if (DecodeCommand(id).action != ActionNone) ++known;
    }
    EXPECT_EQ(known, 2 + 5 + 6 + 9 + 4);
    for (uint32_t id : {200u, 203u, 210u, 216u, 229u, 236u, 239u, 249u, 254u, 0u, 0xFFFFFFFFu}) {
        EXPECT_EQ(DecodeCommand(id).action, ActionNone) << id;
    }
}

TEST(DecodeCommand, ManualDutiesStayInsideTheSliderRanges)
{
    for (uint32_t id = CommandPumpFirst; id <= CommandPumpLast; ++id) {
        EXPECT_GE(DecodeCommand(id).value, 50);
        EXPECT_LE(DecodeCommand(id).value, 100);
    }
    for (uint32_t id = CommandFanFirst; id <= CommandFanLast; ++id) {
        EXPECT_GE(DecodeCommand(id).value, 20);
        EXPECT_LE(DecodeCommand(id).value, 100);
    }
}

class StateCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFakeWindow();
        MainWindow = FakeWindowHandle();
        WakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        InterlockedExchange(&ApplyPending, 0);
        InterlockedExchange(&ApplyResult, 1);
        InterlockedExchange(&BrightnessRequest, -1);
        StoreRelaxed(&ManualPumpDuty, 60);
        StoreRelaxed(&ManualFanDuty, 30);
    }
    void TearDown() override
    {
        CloseHandle(WakeEvent);
        WakeEvent = nullptr;
        MainWindow = nullptr;
    }
};

TEST_F(StateCommands, ADutyChoiceOnlySetsTheValueClearsAppliedAndRepaints)
{
    EXPECT_TRUE(RunStateCommand(DecodeCommand(232)));
    EXPECT_EQ(LoadRelaxed(&ManualPumpDuty), 70);
    EXPECT_EQ(LoadRelaxed(&ManualFanDuty), 30);
    EXPECT_EQ(AtomicRead(&ApplyResult), 0);
    EXPECT_EQ(FakeInvalidateCount(), 1);
    EXPECT_EQ(AtomicRead(&ApplyPending), 0); // nothing is written to the cooler
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_TIMEOUT);

    EXPECT_TRUE(RunStateCommand(DecodeCommand(244)));
    EXPECT_EQ(LoadRelaxed(&ManualFanDuty), 60);
    EXPECT_EQ(FakeInvalidateCount(), 2);
}

TEST_F(StateCommands, BrightnessWakesTheWorkerWithoutRepaint)
{
    EXPECT_TRUE(RunStateCommand(DecodeCommand(252)));
    EXPECT_EQ(AtomicRead(&BrightnessRequest), 50);
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(FakeInvalidateCount(), 0);
    EXPECT_EQ(AtomicRead(&ApplyResult), 1);
}

TEST_F(StateCommands, AProfileCommandRequestsAnApply)
{
    EXPECT_TRUE(RunStateCommand(DecodeCommand(215)));
    EXPECT_EQ(AtomicRead(&RequestedProfile), ProfileAggressive);
    EXPECT_EQ(AtomicRead(&ApplyPending), 1);
    EXPECT_EQ(AtomicRead(&ApplyResult), 0);
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_OBJECT_0);
}

TEST_F(StateCommands, WindowCommandsAndStrangersChangeNothing)
{
    for (uint32_t id : {201u, 202u, 216u}) EXPECT_FALSE(RunStateCommand(DecodeCommand(id)));
    EXPECT_EQ(AtomicRead(&ApplyPending), 0);
    EXPECT_EQ(AtomicRead(&ApplyResult), 1);
    EXPECT_EQ(FakeInvalidateCount(), 0);
    EXPECT_EQ(WaitForSingleObject(WakeEvent, 0), WAIT_TIMEOUT);
}

} // namespace
