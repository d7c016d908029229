#include "forms/U_fselectform.h"

TFSelectForm* FSelectForm = nullptr;

TFSelectForm::TFSelectForm() = default;
