/* A program outside the project that calls the installed library: extracts one database as BMP
 * images into a folder and exits with the status of the run. */
#include <stdio.h>

#include <tesk/tesk.h>
#include <tesk/version.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s DATABASE FOLDER\n", argv[0]);
        return 2;
    }
    const int32_t format = 0, sort = 0, resizeMode = 0, width = 0, height = 0;
    uint32_t options = EXTR_NO_TEXT | EXTR_NO_PROGRESS;
    int32_t status = extrsrc(argv[1], argv[2], argv[2], "", "", "", "", &format, &sort, &options, &resizeMode,
                             &width, &height);
    printf("tesk %s: status %d\n", TESK_VERSION, (int)status);
    return status == 0 ? 0 : 1;
}
