/* The baseline of the rename benchmark: every file of FOLDER (made by rename_bench make) renamed
 * to "P_" + its name with one rename() call each; prints "seconds S" for the loop alone. */
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: rename_loop FOLDER\n");
        return 2;
    }
    DIR* dir = opendir(argv[1]);
    if (dir == NULL) {
        perror(argv[1]);
        return 1;
    }
    size_t count = 0, capacity = 1024;
    char** names = malloc(capacity * sizeof *names);
    for (struct dirent* entry; (entry = readdir(dir)) != NULL;) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        if (count == capacity) {
            capacity *= 2;
            names = realloc(names, capacity * sizeof *names);
        }
        names[count++] = strdup(entry->d_name);
    }
    closedir(dir);
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    char from[4096], to[4096];
    for (size_t i = 0; i < count; ++i) {
        snprintf(from, sizeof from, "%s/%s", argv[1], names[i]);
        snprintf(to, sizeof to, "%s/P_%s", argv[1], names[i]);
        if (rename(from, to) != 0) {
            perror(from);
            return 1;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    printf("seconds %.6f\n", (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9);
    return 0;
}
