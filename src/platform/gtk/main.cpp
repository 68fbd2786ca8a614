// The Linux program: the platform over GTK and WebKitGTK, then the same
// start-up as everywhere.
#include "app/startup.h"
#include "platform/gtk/gtk_platform.h"

int main(int argc, char** argv) {
  qv::gtk::GtkPlatform platform(argc, argv);
  return qv::StartUp(platform);
}
