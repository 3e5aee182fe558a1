// The framework layer: one include for the classes and calls it offers.
#pragma once
#include <windows.h>
#include "AfxState.h"
#include "CCmdTarget.h"
#include "CString.h"
#include "CWnd.h"
#include "CDialog.h"
#include "CButton.h"
#include "CEdit.h"
#include "CDC.h"
#include "CGdiObject.h"
#include "CFile.h"
#include "ScopedHandle.h"
#include "CWinApp.h"
