/* The private interface between the test bus driver (ortensim.sys) and the
 * program that serves its devices (ortensim.exe): plain C, as the driver is.
 * Test code only: none of this is ever installed for users. */
#ifndef ORTEN_SIM_BUS_PROTOCOL_H
#define ORTEN_SIM_BUS_PROTOCOL_H

#define ORTENSIM_CONTROL_NAME L"\\Device\\OrtenSimBus"
#define ORTENSIM_CONTROL_LINK L"\\DosDevices\\OrtenSimBus"
#define ORTENSIM_CONTROL_PATH "\\\\.\\OrtenSimBus"
/* The hardware ID of the root device the bus driver's INF matches. */
#define ORTENSIM_ROOT_ID "root\\ortensim"

#define ORTENSIM_PACKET 64

#define ORTENSIM_IOCTL(n) CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900 + (n), METHOD_BUFFERED, FILE_ANY_ACCESS)
/* in: struct ortensim_plug; out: ULONG, the new device's number */
#define IOCTL_ORTENSIM_PLUG ORTENSIM_IOCTL(0)
/* in: ULONG number; out: struct ortensim_message (waits for one) */
#define IOCTL_ORTENSIM_NEXT ORTENSIM_IOCTL(1)
/* in: struct ortensim_answer */
#define IOCTL_ORTENSIM_ANSWER ORTENSIM_IOCTL(2)
/* in: ULONG number, 0 = the earliest still plugged; out: ULONG, the one pulled out */
#define IOCTL_ORTENSIM_UNPLUG ORTENSIM_IOCTL(3)
/* out: ULONG count, then count ULONG numbers of the devices plugged */
#define IOCTL_ORTENSIM_LIST ORTENSIM_IOCTL(4)

struct ortensim_plug {
  unsigned short vendor;
  unsigned short product;
};

enum ortensim_kind {
  ORTENSIM_WRITE = 1, /* data: what a program wrote to the write pipe */
  ORTENSIM_READ,      /* length: what a program asks of the read pipe (at most a packet) */
  ORTENSIM_CANCEL,    /* tag: a read or write given up by its program */
  ORTENSIM_FLUSH,     /* the read pipe was flushed */
  ORTENSIM_GONE       /* the device was pulled out: no more messages */
};

struct ortensim_message {
  unsigned int kind;
  unsigned int tag;
  unsigned int length;
  unsigned char data[ORTENSIM_PACKET];
};

struct ortensim_answer {
  unsigned int number;
  unsigned int tag;
  int status; /* NTSTATUS for the program's transfer */
  unsigned int length;
  unsigned char data[ORTENSIM_PACKET];
};

#endif
