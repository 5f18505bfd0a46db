#include "runtime/startup.hpp"

int main(int argc, char** argv) { return ostrel::ostrel_main(argc, argv); }
