#include "forms/U_fillform.h"

TFillForm* FillForm = nullptr;

TFillForm::TFillForm() = default;
