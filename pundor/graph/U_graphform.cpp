#include "graph/U_graphform.h"

TGraphForm* GraphForm = nullptr;

TGraphForm::TGraphForm() = default;
