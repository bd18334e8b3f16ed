// settings_copy IN OUT: loads the settings file IN and saves it as OUT, so
// that a test can see what one build makes of a file the other wrote.
#include "dist/settings_file.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  dist::SettingsFile settings(argv[1], "");
  settings.LoadSettings();
  settings.SetPath(argv[2]);
  return settings.SaveSettings() ? 0 : 1;
}
