// The desktop program.
#include "app/halvric_app.h"

int main(int argc, char** argv) {
  halvric::CHalvricApp app;
  return app.Run(argc, argv);
}
