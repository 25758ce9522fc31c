#include "cdrip_test_form.h"

void TCDRipTestForm::btnCalcDiscIDClick()
{
    // The lookup is not wired to a server yet: the trigger points already call it.
}
