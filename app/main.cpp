// Process entry: runs the platform's application loop with the Storm Distance application; its
// result is the exit status.

#include "app/AppDelegate.h"
#include "app/QtApplication.h"

int main(int argc, char** argv) { return storm::qt::applicationMain(argc, argv, storm::stormDistanceApplication()); }
