#pragma once
// The wait for a lost receiver: a small modal window that tries to reopen the
// receiver every 500 ms until it succeeds (result OK) or the user gives up
// with "Do not wait" (result Cancel). Created for each wait.
#include <QTimer>

#include "platform/form.h"

class QLabel;
class TmyLabel;
class TstPanel;
class TstSpeedButton;

class TReconnectForm : public platform::Form {
 public:
  TReconnectForm();

  // Called with UserData on every retry; true once the receiver is open again.
  bool (*Callback)(void* userData) = nullptr;
  void* UserData = nullptr;

  TstPanel* ClientPanel;
  QLabel* Image;
  TmyLabel* Label3;
  TmyLabel* Label1;
  TstSpeedButton* Button1;
  QTimer Timer;

  void TimerTimer();
};
