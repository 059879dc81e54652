/* Identifiers of the menu items and the panels' controls. Plain macros: the resource
   scripts include this file too. */
#ifndef DOZERO_IDS_H
#define DOZERO_IDS_H

/* Menu AREAMENU, pop-up "設定". */
#define IDM_SNAP 40004
#define IDM_MARKER_DISTANCES 40010
#define IDM_LINE_DISTANCES 40021
#define IDM_ROUND_HALF_UP 40016
#define IDM_ROUND_DOWN 40018
#define IDM_ROUND_UP 40017

/* Menu AREAMENU, pop-up "ルーム" (the Windows program only), and its join dialog
   ROOMJOINDLG. */
#define IDM_ROOM_CREATE 40101
#define IDM_ROOM_JOIN 40102
#define IDM_ROOM_LEAVE 40103
#define IDC_ROOM_LINK 1101

/* Board panel SIDEDLG. */
#define IDC_BOARD_GRID 1008
#define IDC_BOARD_CODE 1007
#define IDC_BOARD_COPY 1006
#define IDC_BOARD_INPUT 1010
#define IDC_BOARD_LOAD 1009
#define IDC_BOARD_ADD_MARKER 1011
#define IDC_BOARD_ADD_AREA 1012
#define IDC_BOARD_CLEAR 1013
#define IDC_BOARD_PICTURE_NAME 1014
#define IDC_BOARD_PICTURE 1015

/* Marker panel SIDEMARKERDLG. */
#define IDC_MARKER_MELEE 1009
#define IDC_MARKER_NAME 1004
#define IDC_MARKER_DELETE 1006
#define IDC_MARKER_COLOR 1008

/* Area panel SIDEAREADLG. */
#define IDC_AREA_RADIUS 1008
#define IDC_AREA_DELETE 1006

#endif
