#include "forms/U_editvalform.h"

TEditValForm* EditValForm = nullptr;

TEditValForm::TEditValForm() = default;
