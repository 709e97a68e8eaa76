#include "app/KRNLaunch.h"

CKRNLaunchApp theApp;
