#pragma once

// An update file that reaches up to the main window: the layer check refuses it.
#include "app/form1.h"
