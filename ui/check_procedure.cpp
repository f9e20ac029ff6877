#include "ui/check_procedure.h"

#include "check/operation_check.h"

unsigned RunCheckProcedure(const readercheck::CheckSystem& system) {
    return readercheck::RunOperationCheck(system);
}
