/* The floor for sending songs to a player: one libmtp session that sends each file given into
 * the folder of that name at the top of the first storage of the player whose manufacturer is
 * $FLOOR_MAKER (Parlowen: uMTP-Responder in the MTP machine), declared as its kind, and nothing
 * else (no temporary name, no record, no look afterwards).
 * Usage: mtp_send_floor FOLDER FILE... */
#include <libmtp.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static uint32_t folder_named(LIBMTP_mtpdevice_t *device, uint32_t storage, const char *name)
{
    uint32_t found = 0;
    LIBMTP_file_t *files = LIBMTP_Get_Files_And_Folders(device, storage, 0xFFFFFFFF);
    while (files) {
        LIBMTP_file_t *next = files->next;
        if (files->filetype == LIBMTP_FILETYPE_FOLDER && strcmp(files->filename, name) == 0)
            found = files->item_id;
        LIBMTP_destroy_file_t(files);
        files = next;
    }
    return found;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: mtp_send_floor FOLDER FILE...\n");
        return 2;
    }
    LIBMTP_Init();
    const char *maker = getenv("FLOOR_MAKER") ? getenv("FLOOR_MAKER") : "Parlowen";
    LIBMTP_raw_device_t *raw = NULL;
    int count = 0;
    LIBMTP_mtpdevice_t *device = NULL;
    if (LIBMTP_Detect_Raw_Devices(&raw, &count) == LIBMTP_ERROR_NONE) {
        for (int i = 0; i < count && !device; ++i) {
            LIBMTP_mtpdevice_t *opened = LIBMTP_Open_Raw_Device_Uncached(&raw[i]);
            char *name = opened ? LIBMTP_Get_Manufacturername(opened) : NULL;
            if (name && strcmp(name, maker) == 0)
                device = opened;
            else if (opened)
                LIBMTP_Release_Device(opened);
            free(name);
        }
    }
    if (!device || LIBMTP_Get_Storage(device, LIBMTP_STORAGE_SORTBY_NOTSORTED) != 0 ||
        !device->storage) {
        fprintf(stderr, "no player\n");
        return 1;
    }
    const uint32_t storage = device->storage->id;
    const uint32_t parent = folder_named(device, storage, argv[1]);
    if (!parent) {
        fprintf(stderr, "no folder %s\n", argv[1]);
        return 1;
    }
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        const int fd = open(argv[i], O_RDONLY);
        struct stat info;
        if (fd < 0 || fstat(fd, &info) != 0) {
            ++failed;
            continue;
        }
        LIBMTP_file_t *file = LIBMTP_new_file_t();
        const char *slash = strrchr(argv[i], '/');
        file->filename = strdup(slash ? slash + 1 : argv[i]);
        file->filesize = (uint64_t)info.st_size;
        file->filetype = LIBMTP_FILETYPE_FLAC;
        file->parent_id = parent;
        file->storage_id = storage;
        if (LIBMTP_Send_File_From_File_Descriptor(device, fd, file, NULL, NULL) != 0)
            ++failed;
        LIBMTP_destroy_file_t(file);
        close(fd);
    }
    LIBMTP_Release_Device(device);
    printf("floor: sent %d of %d\n", argc - 2 - failed, argc - 2);
    return failed != 0;
}
