// Binding of the service library by name. The binding is shared by the whole process, so the
// story runs as one test, from no library at all to the fall-back library.

#include "fake_ras_control.h"
#include "quavrel/dialup/dial_up.h"
#include "quavrel/dialup/ras_binding.h"

#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string FakeDir(const char *name)
{
    return std::string(std::getenv("QUAVREL_FAKE_RAS_DIR")) + "/" + name;
}

void UseLibraryPath(const std::string &path)
{
    setenv("QUAVREL_LIBRARY_PATH", path.c_str(), 1);
    setenv("QUAVREL_LIBRARY_PATH_ONLY", "1", 1);
}

std::string RaisedBy(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const EDialUpError &error) {
        return error.what();
    }
    return "nothing raised";
}

TEST(DialUpBinding, MissingLibraryThenPrimaryWithoutTheFunctionThenFallBack)
{
    TDialUp dialUp;
    dialUp.SetEntry("Alpha");
    bool dialing = false;
    dialUp.OnDialing = [&](QObject *) { dialing = true; };

    UseLibraryPath(FakeDir("nowhere"));
    const std::pair<const char *, std::function<void()>> needRas[] = {
        {"GetEntries", [&] { dialUp.GetEntries(); }},
        {"GetConnections", [&] { dialUp.GetConnections(); }},
        {"Dial", [&] { dialUp.Dial(); }},
        {"HangUp", [&] { dialUp.HangUp(); }},
        {"HangUpConnection", [&] { dialUp.HangUpConnection(3); }},
        {"GetProjection", [&] { dialUp.GetProjection(3); }},
        {"StatusText with an error", [&] { dialUp.StatusText(RASCS_Connected, 691); }},
    };
    for (const auto &[name, operation] : needRas)
        EXPECT_EQ(RaisedBy(operation), "Error opening rasapi.dll") << name;
    EXPECT_FALSE(dialing);
    // Operations that need no service work without it.
    EXPECT_EQ(dialUp.StatusText(RASCS_Connected, 0), "Connecté");
    EXPECT_EQ(dialUp.GetProjection(0), 0u);

    // The primary library loads but lacks the function, and there is no fall-back.
    UseLibraryPath(FakeDir("fake_partial"));
    EXPECT_EQ(RaisedBy([&] { dialUp.GetEntries(); }), "Error opening rnaph.dll");
    EXPECT_FALSE(RasBinding::Shared().RasBound());

    // The failed loads are tried again: now the fall-back is found and used.
    UseLibraryPath(FakeDir("fake_partial") + ":" + FakeDir("fake_rnaph"));
    FakeRasControl fallBack(FakeDir("fake_rnaph") + "/librnaph.so");
    fallBack.Reset();
    fallBack.AddEntry("Alpha");
    EXPECT_EQ(dialUp.GetEntries(), 0u);
    EXPECT_EQ(dialUp.Entries(), QStringList({"Alpha"}));
    EXPECT_TRUE(RasBinding::Shared().RasBound());
    EXPECT_TRUE(RasBinding::Shared().RasViaRnaph());

    // The fall-back has no RasDialA: the dial stops there, after the steps before it ran.
    dialUp.SetDialMode(dmSync);
    EXPECT_EQ(RaisedBy([&] { dialUp.Dial(); }), "Function RasDialA not found!");
    EXPECT_TRUE(dialing);
    EXPECT_STREQ(fallBack.Calls(), "RasEnumEntriesA;RasHangUpA(0);RasGetEntryDialParamsA(Alpha);");
}

} // namespace
