#include "app/Entry.h"

int main(int argc, char **argv) { return kestrune::KestruneMain(argc, argv); }
