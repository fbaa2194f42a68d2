#pragma once

// Makes message boxes real QMessageBoxes and the beep the platform's alert sound. The application
// object does this when it is made; a test with a plain QApplication may do it itself.
void InstallWidgetDialogs();
