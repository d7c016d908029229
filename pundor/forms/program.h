#pragma once
// The program's start-up: the forms created once, in their fixed order, and
// the message loop.
namespace platform {
class Application;
}

// Runs the calibrator on `application` until its main window closes (or it
// could not start); the forms are gone again when it returns. Returns the
// program's exit code.
int RunCalibrator(platform::Application& application);
