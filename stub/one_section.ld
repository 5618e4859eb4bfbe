/* Lays the removal stub out as one section: its code, then the import
   tables of kernel32, so the image is the headers and one file-aligned
   block. The loader makes the import address table writable while it binds
   it, wherever the table lies. */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + __section_alignment__ :
  {
    *(.text) *(.text.*) *(SORT(.text$*))
    *(.rdata) *(.rdata.*) *(SORT(.rdata$*))
    . = ALIGN(8);
    ".idata$2" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* These zeroes end the list of imported libraries. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    . = ALIGN(8);
    ".idata$4" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    ".idata$5" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    ".idata$6" = ABSOLUTE(.) - __image_base__;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
  }
  /DISCARD/ :
  {
    *(.data) *(.data.*) *(.bss) *(.bss.*) *(COMMON)
    *(.eh_frame*) *(.pdata*) *(.xdata*) *(.debug*) *(.drectve) *(.note.*) *(.comment)
  }
}
