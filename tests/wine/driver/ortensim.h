/* The test bus driver's parts: the bus and its devices (ortensim.c), the
 * programs' transfers handed to the serving program (transfers.c). Test
 * code only, never installed for users. */
#ifndef ORTEN_SIM_DRIVER_H
#define ORTEN_SIM_DRIVER_H

#include <ntifs.h>
#include <wdm.h>

#include "SimBusProtocol.h"

enum kind { KIND_CONTROL = 1, KIND_CHILD, KIND_PIPE };

#define QUEUE_SIZE 64
#define POOL_TAG 0x6D69734FUL /* "Osim" */

struct child {
  LIST_ENTRY all;   /* every child not yet freed */
  LIST_ENTRY bus;   /* the children plugged in, as the bus reports them */
  ULONG number; /* also its instance ID: wine mixes up a reused one */
  USHORT vendor, product;
  FILE_OBJECT *owner; /* the serving program's handle on the control device */
  DEVICE_OBJECT *pdo;
  DEVICE_OBJECT *pipes[2];
  FILE_OBJECT *opened[2]; /* who holds each pipe: one program at a time */
  HANDLE directory;
  UNICODE_STRING link; /* the interface's symbolic link */
  LONG linked;
  BOOLEAN gone, pdoDeleted;
  LIST_ENTRY pending; /* programs' transfers waiting for an answer */
  LIST_ENTRY waiters; /* the serving program's IOCTL_ORTENSIM_NEXT */
  struct ortensim_message queue[QUEUE_SIZE];
  ULONG head, count;
  ULONG nextTag;
};

struct extension {
  enum kind kind;
  struct child *child;
  ULONG pipe;
};

/* Guards every list and every device's record. */
extern KSPIN_LOCK lock;
/* Every device ever plugged in while the driver runs. */
extern LIST_ENTRY children;

void finish(IRP *irp, NTSTATUS status, ULONG_PTR information);
void complete_list(LIST_ENTRY *done);
void pull_out(struct child *child, LIST_ENTRY *done);
struct child *find_child(ULONG number);
void unplug_all(FILE_OBJECT *owner);
NTSTATUS next_message(IRP *irp, IO_STACK_LOCATION *stack);
NTSTATUS answer(IRP *irp, IO_STACK_LOCATION *stack);
NTSTATUS WINAPI dispatch_transfer(DEVICE_OBJECT *device, IRP *irp);
NTSTATUS WINAPI dispatch_flush(DEVICE_OBJECT *device, IRP *irp);
NTSTATUS WINAPI dispatch_create(DEVICE_OBJECT *device, IRP *irp);
NTSTATUS WINAPI dispatch_cleanup(DEVICE_OBJECT *device, IRP *irp);
NTSTATUS WINAPI dispatch_close(DEVICE_OBJECT *device, IRP *irp);

#endif
