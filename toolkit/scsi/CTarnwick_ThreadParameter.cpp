#include "CTarnwick_ThreadParameter.h"

CTarnwick_ThreadParameter::~CTarnwick_ThreadParameter() = default;
