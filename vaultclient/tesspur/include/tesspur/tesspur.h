// Tesspur, the vault client's string manager: every text the system shows
// is asked for here by number, category, section and its English default,
// and comes back translated into the user's language when a translation
// exists.
//
// Translations are read from the language files (tesspur/language_file.h
// gives their format) in the language folder handed to gvInitStrDll:
// <folder>\<language>\<file>.txt. Lookups read the current default file:
// the one named after the product given to gvInitStrDll, or the one pushed
// last with gvPushDefaultFile.
//
// Any thread may call; the state is guarded by a mutex.
#pragma once

#include "winapi/types.h"

// Sets the language and the language folder for every later lookup, and the
// product, whose name is the base default file ("ZENTRAVIKO VYL" reads
// <folder>\<language>\ZENTRAVIKO VYL.txt). The brand and the last argument
// (null from every caller) do not change the lookups. Null strings count as
// empty; calling again switches to the new values.
void gvInitStrDll(const WCHAR* brand, const WCHAR* product, const WCHAR* language, const WCHAR* folder,
                  const void* reserved);

// The translation of text `id` of `category` and `section` (null: none)
// from the current default file, else `defaultText`. Never null: with no
// translation and a null default, an empty text. The result stays valid
// until the process exits (a translation) or as long as the caller's
// default does; the caller copies it and never frees it.
const WCHAR* TSS_internal(int id, const WCHAR* category, const WCHAR* section, const WCHAR* defaultText);

// Makes `file` (a file name without folder and ".txt"; null or empty: the
// product's file) the default file of later lookups, until the matching
// gvPopDefaultFile.
void gvPushDefaultFile(const WCHAR* file);
// Goes back to the default file before the last push; nothing when no push
// is left to undo.
void gvPopDefaultFile();
