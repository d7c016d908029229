#pragma once
// The wait for a lost receiver; created for each wait.
#include "platform/form.h"

class TReconnectForm : public platform::Form {
 public:
  TReconnectForm();
};
