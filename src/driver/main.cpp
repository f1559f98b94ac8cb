// Process entry point.
#include "driver/driver.hpp"

int main(int argc, char** argv) { return quorl::driverMain(argc, argv); }
