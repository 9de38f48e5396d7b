#include "platform/Console.h"
