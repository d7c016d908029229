#include "forms/U_calinfoform.h"

TCalInfoForm* CalInfoForm = nullptr;

TCalInfoForm::TCalInfoForm() = default;
