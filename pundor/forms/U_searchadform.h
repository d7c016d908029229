#pragma once
// The busy window shown while the receivers are searched.
#include "platform/form.h"

class TSearchADForm : public platform::Form {
 public:
  TSearchADForm();
};

extern TSearchADForm* SearchADForm;
