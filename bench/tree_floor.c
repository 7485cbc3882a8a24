/* The floor of a whole-tree comparison: the least work any comparison of LEFT with RIGHT does.
 * One thread per tree lists every folder (getdents64 on a descriptor), lstat()s every entry
 * relative to its folder and reads the first 3 bytes of every regular file (openat, read,
 * close). Nothing is kept, sorted or matched.
 *   tree_floor LEFT RIGHT
 * Prints "entries N seconds S". */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

struct Walk {
    const char* root;
    unsigned long long entries;
    int failed;
};

struct Stack {
    char** paths;
    size_t count, capacity;
};

static void Push(struct Stack* s, char* path) {
    if (s->count == s->capacity) {
        s->capacity = s->capacity ? s->capacity * 2 : 256;
        s->paths = realloc(s->paths, s->capacity * sizeof *s->paths);
        if (!s->paths) {
            perror("realloc");
            exit(2);
        }
    }
    s->paths[s->count++] = path;
}

static char* Join(const char* dir, const char* name) {
    const size_t a = strlen(dir), b = strlen(name);
    char* path = malloc(a + b + 2);
    if (!path) {
        perror("malloc");
        exit(2);
    }
    memcpy(path, dir, a);
    path[a] = '/';
    memcpy(path + a + 1, name, b + 1);
    return path;
}

static void* WalkTree(void* arg) {
    struct Walk* walk = arg;
    struct Stack stack = {0};
    static __thread char buffer[32768];
    Push(&stack, strdup(walk->root));
    while (stack.count) {
        char* dir = stack.paths[--stack.count];
        const int fd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            walk->failed = 1;
            free(dir);
            continue;
        }
        for (;;) {
            const long got = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (got <= 0) {
                walk->failed |= got < 0;
                break;
            }
            for (long pos = 0; pos < got;) {
                const struct dirent64* d = (const struct dirent64*)(buffer + pos);
                pos += d->d_reclen;
                if (d->d_name[0] == '.' &&
                    (d->d_name[1] == '\0' || (d->d_name[1] == '.' && d->d_name[2] == '\0'))) {
                    continue;
                }
                ++walk->entries;
                struct stat st;
                if (fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    walk->failed = 1;
                    continue;
                }
                if (S_ISDIR(st.st_mode)) {
                    Push(&stack, Join(dir, d->d_name));
                } else if (S_ISREG(st.st_mode)) {
                    const int file = openat(fd, d->d_name, O_RDONLY | O_NOCTTY | O_NONBLOCK);
                    if (file < 0) {
                        walk->failed = 1;
                        continue;
                    }
                    char head[3];
                    if (read(file, head, sizeof head) < 0) {
                        walk->failed = 1;
                    }
                    close(file);
                }
            }
        }
        close(fd);
        free(dir);
    }
    free(stack.paths);
    return NULL;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: tree_floor LEFT RIGHT\n");
        return 2;
    }
    struct Walk walks[2] = {{argv[1], 0, 0}, {argv[2], 0, 0}};
    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    pthread_t other;
    if (pthread_create(&other, NULL, WalkTree, &walks[1]) != 0) {
        perror("pthread_create");
        return 2;
    }
    WalkTree(&walks[0]);
    pthread_join(other, NULL);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    const double seconds =
        (double)(t1.tv_sec - t0.tv_sec) + (double)(t1.tv_nsec - t0.tv_nsec) / 1e9;
    printf("entries %llu seconds %.3f\n", walks[0].entries + walks[1].entries, seconds);
    if (walks[0].failed || walks[1].failed) {
        fprintf(stderr, "tree_floor: some entries could not be read\n");
        return 1;
    }
    return 0;
}
