#include "platform/Http.h"
