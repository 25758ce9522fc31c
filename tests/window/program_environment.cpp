// Linked into the window test programs that need the program's start-up: the CD access helpers
// bound (after main() has set the settings directory) and Ostrelle's waits running the window's
// events, as main.cpp does.

#include "quavrel/engine/bindings/cd_access.h"
#include "winmsg.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class ProgramEnvironment : public testing::Environment {
  public:
    void SetUp() override
    {
        CdAccessStart();
        winmsg::SetMessagePump([] { QCoreApplication::processEvents(); });
    }
    void TearDown() override
    {
        winmsg::SetMessagePump({});
        CdAccessEnd();
    }
};
[[maybe_unused]] testing::Environment *const programEnvironment =
    testing::AddGlobalTestEnvironment(new ProgramEnvironment);

} // namespace
