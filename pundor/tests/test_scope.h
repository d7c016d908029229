#pragma once
// What a test starts ends with it. Helpers that act later (timers waiting
// for a window) make their objects children of the running test's scope;
// the test programs' main deletes the scope when the test ends, so nothing
// of one test fires in the next. A window a test leaves shown fails it.
#include <QObject>

// The running test's scope; null between tests.
QObject* TestScope();
