/* The floor a simulator answering NF-e submissions cannot go below: for every request
 * waiting in a folder (named on standard input, in order), only the file operations an
 * answer takes: the request read, nine files written through a temporary and a rename
 * (counters twice, the record of the request in progress twice, the batch number and the
 * receipt, each a file of its own, the batch record, two archive copies), the request and
 * its record deleted.
 * The archive copies are the signed NF-e, longer than the request by the signature the
 * sender adds: the optional second argument gives that many bytes, so the floor writes
 * as much as the program does.
 * With "checks" as the third argument it also makes the looks the program makes before it
 * trusts a file, the same calls on the same paths, so what those cost alone can be told
 * from the rest: the lock files and the settings file looked at each tick, the records of
 * unfinished requests asked for, the request looked at before it is opened and before it
 * is deleted, its lease taken and given back, the answer folders looked at before the
 * first number, and each file's folder and destination looked at before it is written. */
#define _GNU_SOURCE /* F_SETLEASE */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char request[1 << 20];
static int checks;

/* The looks made before a file is written: its folder (not for a bare name) and the
 * destination itself. */
static void lookBeforeWriting(const char *folder, const char *target) {
    struct stat status;
    if (!checks) {
        return;
    }
    if (strcmp(folder, ".") != 0) {
        stat(folder, &status);
    } else {
        lstat(target, &status);  /* the settings file: fresh, and where it finally is */
        lstat(target, &status);
    }
    stat(target, &status);
}

/* The looks made at each tick and before the first number of a request. */
static void lookBeforeAnswering(const char *exchange, const char *requestPath) {
    static const char *const answerFolders[] = {"retorno", "lotes", "backup/Autorizados",
                                                "backup/Denegados", "envio"};
    char path[4096];
    struct stat status;
    if (!checks) {
        return;
    }
    lstat(".config.ini.lock", &status);
    snprintf(path, sizeof path, "%s/.kelmar.lock", exchange);
    lstat(path, &status);
    lstat("config.ini", &status);
    static const char *const records[] = {".kelmar-pendente-envio.ini",
                                           ".kelmar-pendente-envio_lote.ini"};
    for (int i = 0; i < 2; ++i) {
        snprintf(path, sizeof path, "%s/%s", exchange, records[i]);
        int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
        }
    }
    snprintf(path, sizeof path, "%s/envio", exchange);
    stat(path, &status);
    snprintf(path, sizeof path, "%s/envio_lote", exchange);
    stat(path, &status);
    lstat(requestPath, &status);
    for (int i = 0; i < 5; ++i) {
        snprintf(path, sizeof path, "%s/%s", exchange, answerFolders[i]);
        stat(path, &status);
        access(path, W_OK | X_OK);
    }
}

/* The request opened as the program opens it: without following a link or waiting, its
 * lease taken and given back (no one has it open for writing), looked at through the
 * open file. */
static int openRequest(const char *path) {
    if (!checks) {
        return open(path, O_RDONLY | O_CLOEXEC);
    }
    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat status;
        fcntl(fd, F_SETLEASE, F_RDLCK);
        fcntl(fd, F_SETLEASE, F_UNLCK);
        fstat(fd, &status);
        fcntl(fd, F_SETFL, O_RDONLY);
    }
    return fd;
}

static void publish(const char *folder, const char *name, const char *data, size_t size) {
    char temporary[4096], target[4096];
    snprintf(temporary, sizeof temporary, "%s/.floor-%d.part", folder, (int)getpid());
    snprintf(target, sizeof target, "%s/%s", folder, name);
    lookBeforeWriting(folder, target);
    int fd = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, data, size) != (ssize_t)size || close(fd) != 0 ||
        rename(temporary, target) != 0) {
        perror(target);
        exit(1);
    }
    if (checks && strcmp(folder, ".") == 0) {
        struct stat status;
        lstat(target, &status);  /* the settings file as saved, to know it again */
    }
}

int main(int argc, char **argv) {
    if (argc < 2 || argc > 4 || (argc == 4 && strcmp(argv[3], "checks") != 0)) {
        fprintf(stderr,
                "usage: floor EXCHANGE_FOLDER [SIGNATURE_BYTES [checks]] < names\n");
        return 2;
    }
    checks = argc == 4;
    const char *exchange = argv[1];
    size_t signature = argc >= 3 ? strtoul(argv[2], NULL, 10) : 0;
    if (signature >= sizeof request / 2) {
        fprintf(stderr, "floor: signature of %zu bytes is too long\n", signature);
        return 2;
    }
    char folder[4096], path[4096], name[1024], answer[256];
    const char *record = "[PENDENTE]\nARQUIVO=x-nfe.xml\nIDENTIDADE=1 2 3 4\nMES=202612\n";
    unsigned long counter = 0;
    while (fgets(name, sizeof name, stdin) != NULL) {
        name[strcspn(name, "\n")] = '\0';
        snprintf(path, sizeof path, "%s/envio/%s", exchange, name);
        lookBeforeAnswering(exchange, path);
        int fd = openRequest(path);
        ssize_t size = fd < 0 ? -1 : read(fd, request, sizeof request - signature);
        if (size < 0 || close(fd) != 0) {
            perror(path);
            return 1;
        }
        ++counter;
        int length = snprintf(answer, sizeof answer,
                              "<?xml version=\"1.0\"?><retEnviNFe><nRec>%015lu</nRec></retEnviNFe>",
                              counter);
        publish(".", "config.ini", answer, (size_t)length);
        publish(exchange, ".floor-record.ini", record, strlen(record));
        snprintf(folder, sizeof folder, "%s/retorno", exchange);
        char batchNumber[64];
        snprintf(batchNumber, sizeof batchNumber, "%015lu-num-lot.xml", counter);
        publish(folder, batchNumber, answer, (size_t)length);
        publish(".", "config.ini", answer, (size_t)length);
        publish(exchange, ".floor-record.ini", record, strlen(record));
        char receipt[64];
        snprintf(receipt, sizeof receipt, "%015lu-rec.xml", counter);
        publish(folder, receipt, answer, (size_t)length);
        snprintf(folder, sizeof folder, "%s/lotes", exchange);
        publish(folder, receipt, answer, (size_t)length);
        snprintf(folder, sizeof folder, "%s/backup/Autorizados", exchange);
        publish(folder, name, request, (size_t)size + signature);
        snprintf(folder, sizeof folder, "%s/backup/Denegados", exchange);
        publish(folder, name, request, (size_t)size + signature);
        snprintf(path, sizeof path, "%s/envio/%s", exchange, name);
        snprintf(folder, sizeof folder, "%s/.floor-record.ini", exchange);
        if (checks) {
            struct stat status;
            lstat(path, &status);  /* still the version read */
        }
        if (unlink(path) != 0 || unlink(folder) != 0) {
            perror(path);
            return 1;
        }
    }
    return 0;
}
