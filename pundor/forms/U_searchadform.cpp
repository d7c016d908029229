#include "forms/U_searchadform.h"

TSearchADForm* SearchADForm = nullptr;

TSearchADForm::TSearchADForm() = default;
