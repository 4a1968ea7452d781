// Process entry: runs the application's loop; its result is the exit status.

#include "app/qt/QtApplication.h"

int main(int argc, char** argv) { return storm::qt::runApplication(argc, argv); }
