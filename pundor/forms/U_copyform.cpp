#include "forms/U_copyform.h"

TCopyForm* CopyForm = nullptr;

TCopyForm::TCopyForm() = default;
