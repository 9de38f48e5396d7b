#pragma once
// The windowing library's control classes in one include.
#include "gui/Application.h"
#include "gui/Control.h"
#include "gui/Window.h"
