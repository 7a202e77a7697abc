#include "platform/windowing/LockInstanceGuard.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

TEST(InstanceGuard, OnlyTheFirstCopyRunsUntilItEnds)
{
    QTemporaryDir run;
    auto first = std::make_unique<LockInstanceGuard>(run.path());
    EXPECT_FALSE(first->ActivatePreviousInstance("Umbraxis"));
    EXPECT_FALSE(first->ActivatePreviousInstance("Umbraxis")) << "asking again is harmless";

    LockInstanceGuard second(run.path());
    EXPECT_TRUE(second.ActivatePreviousInstance("Umbraxis"));

    first.reset();
    LockInstanceGuard third(run.path());
    EXPECT_FALSE(third.ActivatePreviousInstance("Umbraxis"));
}

TEST(InstanceGuard, ALaterCopyBringsTheFirstCopysWindowForward)
{
    QTemporaryDir run;
    LockInstanceGuard first(run.path());
    ASSERT_FALSE(first.ActivatePreviousInstance("Guard Test Window"));

    QWidget window;
    window.setWindowTitle("Guard Test Window");
    window.showMinimized();
    QWidget other;
    other.setWindowTitle("Another Window");
    other.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }, 2000));

    LockInstanceGuard second(run.path());
    EXPECT_TRUE(second.ActivatePreviousInstance("Guard Test Window"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isMinimized(); }, 5000));
    EXPECT_TRUE(other.isMinimized());
}

TEST(InstanceGuard, ALaterCopyPassesOnThePlainActivationTokenItWasStartedWith)
{
    const struct {
        QString token;
        bool passed;
    } rows[] = {
        {"umbraxis_TIME123-4.5:x", true},
        {QString(512, 'a'), true},
        {"", false},
        {QString(513, 'a'), false},
        {"two words", false},
        {"tab\there", false},
        {"caf\u00e9", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.token.left(20).toStdString());
        EXPECT_EQ(isPlainToken(row.token), row.passed);
        QTemporaryDir run;
        LockInstanceGuard first(run.path());
        ASSERT_FALSE(first.ActivatePreviousInstance("Umbraxis"));
        qputenv("XDG_ACTIVATION_TOKEN", row.token.toUtf8());
        LockInstanceGuard second(run.path());
        EXPECT_TRUE(second.ActivatePreviousInstance("Umbraxis"));
        qunsetenv("XDG_ACTIVATION_TOKEN");
        // The first copy hears of the request from its event loop.
        EXPECT_TRUE(QTest::qWaitFor([&] { return first.requestsHeard() == 1; }, 3000));
        EXPECT_EQ(first.lastActivationToken(), row.passed ? row.token : QString());
    }
}

TEST(InstanceGuard, StaleFilesAndUnusableFoldersNeverBlockAStart)
{
    QTemporaryDir run;
    // What a copy that died leaves behind.
    for (const char* name : {"/Umbraxis-SemaphoreName.lock", "/Umbraxis-SemaphoreName.sock"}) {
        QFile file(run.path() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    LockInstanceGuard first(run.path());
    EXPECT_FALSE(first.ActivatePreviousInstance("Umbraxis"));

    LockInstanceGuard nowhere(run.path() + "/no/such/folder");
    EXPECT_FALSE(nowhere.ActivatePreviousInstance("Umbraxis"));
}

} // namespace
