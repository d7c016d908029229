#include "forms/U_addfqform.h"

TAddFqForm* AddFqForm = nullptr;

TAddFqForm::TAddFqForm() = default;
