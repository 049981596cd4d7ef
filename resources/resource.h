// Resource identifiers shared by the .rc file and the code.
#pragma once

// Titles of the Windows 95/98/Me Add/Remove Programs window, searched in this order.
#define IDS_ARP_TITLE_FULLWIDTH 100
#define IDS_ARP_TITLE_HALFWIDTH 101
