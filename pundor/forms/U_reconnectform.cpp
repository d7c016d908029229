#include "forms/U_reconnectform.h"

TReconnectForm::TReconnectForm() = default;
