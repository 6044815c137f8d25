/* The floor a simulator answering NF-e submissions cannot go below: for every request
 * waiting in a folder (named on standard input, in order), only the file operations an
 * answer takes: the request read, nine files written through a temporary and a rename
 * (counters twice, the record of the request in progress twice, the batch number and the
 * receipt, each a file of its own, the batch record, two archive copies), the request and
 * its record deleted.
 * The archive copies are the signed NF-e, longer than the request by the signature the
 * sender adds: the optional second argument gives that many bytes, so the floor writes
 * as much as the program does. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char request[1 << 20];

static void publish(const char *folder, const char *name, const char *data, size_t size) {
    char temporary[4096], target[4096];
    snprintf(temporary, sizeof temporary, "%s/.floor-%d.part", folder, (int)getpid());
    snprintf(target, sizeof target, "%s/%s", folder, name);
    int fd = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, data, size) != (ssize_t)size || close(fd) != 0 ||
        rename(temporary, target) != 0) {
        perror(target);
        exit(1);
    }
}

int main(int argc, char **argv) {
    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: floor EXCHANGE_FOLDER [SIGNATURE_BYTES] < names\n");
        return 2;
    }
    const char *exchange = argv[1];
    size_t signature = argc == 3 ? strtoul(argv[2], NULL, 10) : 0;
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
        int fd = open(path, O_RDONLY | O_CLOEXEC);
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
        if (unlink(path) != 0 || unlink(folder) != 0) {
            perror(path);
            return 1;
        }
    }
    return 0;
}
