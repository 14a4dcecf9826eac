#pragma once
// Waiting for a condition inside a GoogleTest test. Qt Test's QTRY_VERIFY reports a failure only
// to Qt Test's own result log and returns from the function, so under GoogleTest a condition that
// never comes true would end the test silently as passed. This waits the same way (events are
// processed while waiting) and fails the test when the condition is still false after 5 s.

#include <QTest>
#include <gtest/gtest.h>

#define GTEST_TRY_VERIFY(expr) ASSERT_TRUE(QTest::qWaitFor([&]() { return static_cast<bool>(expr); }, 5000)) << #expr
