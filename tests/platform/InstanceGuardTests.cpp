#include "platform/LockInstanceGuard.h"

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
