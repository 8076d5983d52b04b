#include "lumenrt/plugins/generic_error.h"

GenericError::~GenericError() = default;

void GenericError::Touch() {}
