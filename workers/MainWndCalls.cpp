#include "workers/MainWndCalls.h"

IMainWndCalls* g_mainWnd = nullptr;
