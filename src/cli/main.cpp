#include "cli/app.h"

int main(int argc, char** argv) {
    return binario::esegui_cli(argc, argv);
}
