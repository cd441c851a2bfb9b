// Records where the server program is installed: the machine's
// "SharedLocation" (location kind 1), the folder where the login server
// looks for "Gallowick.exe".
#pragma once

// Sets the machine value to the folder of the running program. False (with
// a message on stderr) when the machine key cannot be written, as for a
// user without administrator rights.
bool RecordSharedLocation();
