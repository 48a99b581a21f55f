#include "platform/system/ScriptCommand.h"

#include <gtest/gtest.h>

namespace {

QString str(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(ScriptDispatcher, ACommandReachesItsHandlerWithItsArgumentsAndError) {
    ScriptDispatcher dispatcher;
    QVariantMap seen;
    dispatcher.registerCommand(str("Add"), [&](ScriptCommand& command) {
        seen = command.arguments();
        if (!command.hasArgument(str("File")))
            command.setErrorString(str("no file"));
    });
    dispatcher.registerCommand(str("Other"), [](ScriptCommand&) { FAIL(); });

    ScriptCommand good(str("Add"), {{str("File"), str("/tmp/a.jpg")}});
    EXPECT_TRUE(dispatcher.dispatch(good));
    EXPECT_EQ(seen.value(str("File")).toString(), str("/tmp/a.jpg"));
    EXPECT_TRUE(good.errorString().isEmpty());

    // A null value counts as missing.
    ScriptCommand bad(str("Add"), {{str("File"), QVariant()}});
    EXPECT_FALSE(dispatcher.dispatch(bad));
    EXPECT_EQ(bad.errorString(), str("no file"));
}

TEST(ScriptDispatcher, AnUnknownNameIsAnErrorNamingIt) {
    ScriptDispatcher dispatcher;
    dispatcher.registerCommand(str("Known"), [](ScriptCommand&) {});
    ScriptCommand command(str("Unknown"));
    EXPECT_FALSE(dispatcher.dispatch(command));
    EXPECT_TRUE(command.errorString().contains(str("Unknown")));
    EXPECT_EQ(dispatcher.commandNames(), QStringList{str("Known")});
}

TEST(ScriptDispatcher, ALaterRegistrationReplacesTheEarlier) {
    ScriptDispatcher dispatcher;
    int which = 0;
    dispatcher.registerCommand(str("Run"), [&](ScriptCommand&) { which = 1; });
    dispatcher.registerCommand(str("Run"), [&](ScriptCommand&) { which = 2; });
    ScriptCommand command(str("Run"));
    EXPECT_TRUE(dispatcher.dispatch(command));
    EXPECT_EQ(which, 2);
}
