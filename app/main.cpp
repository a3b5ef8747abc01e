#include "Application.h"

int main(int argc, char **argv) { return hx::RunApplication(argc, argv); }
