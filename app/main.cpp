// velmora's entry point.
#include "app/orvane_app.h"

int main(int argc, char** argv) {
    COrvaneApp app(argc, argv);
    if (!app.InitInstance())
        return 1;
    return app.exec();
}
