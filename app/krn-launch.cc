#include "app/krn-launch.h"

CKRNLaunchApp theApp;
