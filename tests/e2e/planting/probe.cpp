// The planting test's control: loads each library named on the command line
// by its bare name, the way a program that does not restrict its library
// search would, and prints "probe NAME: loaded" or "probe NAME: not loaded".
// Started from the planted folder, it shows that the planted copies are found
// and run there, so that their absence after the installer's run means
// something.
#include <windows.h>
#include <stdio.h>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        HMODULE m = LoadLibraryA(argv[i]);
        printf("probe %s: %s\n", argv[i], m ? "loaded" : "not loaded");
        fflush(stdout);
    }
    return 0;
}
