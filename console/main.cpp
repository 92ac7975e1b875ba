#include "console/CkelGuiToolApp.h"

int main(int argc, char** argv) {
    CkelGuiToolApp app(argc, argv);
    app.InitInstance();
    return 0;
}
