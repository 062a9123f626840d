#include "Classes/Library/SinglePPTViewer.h"

#include "Classes/Library/PPTViewController.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"

void SinglePPTViewer::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    m_previewController = std::make_shared<PPTViewController>();
    if (m_filePath)
        m_previewController->setFilePath(*m_filePath);
    if (m_fileName)
        m_previewController->setFileName(*m_fileName);
    CGRect own = view()->bounds();
    m_previewController->view()->setFrame(CGRectMake(0, 0, own.size.width, own.size.height));
    view()->addSubview(m_previewController->view());
    m_previewController->reloadData();
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void SinglePPTViewer::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    PPTViewController::showBarFor(*this, m_imgViewTitleBar, m_fileName.value_or(""));
}

void SinglePPTViewer::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    if (auto navigation = PPTViewController::rootNavigationController())
        navigation->setNavigationBarHidden(true);
}

void SinglePPTViewer::didReceiveMemoryWarning()
{
    BaseViewController::didReceiveMemoryWarning();
    m_previewController.reset();
}
