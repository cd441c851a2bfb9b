// CCreateContext: what a frame or view being created joins - the document,
// the view class to make, the template - passed to CWnd::Create and
// CFrameWnd::LoadFrame.
#pragma once

#include "ui/framework/object.h"

class CDocument;
class CDocTemplate;
class CFrameWnd;
class CView;

struct CCreateContext {
    CRuntimeClass* m_pNewViewClass = nullptr;  // the view a new frame makes in its client area
    CDocument* m_pCurrentDoc = nullptr;        // the document a new view joins
    CDocTemplate* m_pNewDocTemplate = nullptr;
    CView* m_pLastView = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};
