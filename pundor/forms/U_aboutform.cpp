#include "forms/U_aboutform.h"

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm() = default;
