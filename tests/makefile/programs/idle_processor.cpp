// A command processor that runs nothing and succeeds: the makefile corpus
// runs commands of cmd.exe while it is read ("!IF [for /f ...]"), which
// the test replaces by this, on both builds alike.
int main() { return 0; }
