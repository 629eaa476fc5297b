// The shared week view fixture; its year area stand-in is built here.
#include "weekview/WeekViewTestSupport.h"
