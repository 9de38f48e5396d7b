#include "platform/Md5.h"
