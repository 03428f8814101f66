#pragma once
// The simulator's private view of its own items and components: which document
// node an object stands for. Only objects of this module answer it.
#include "hostsim/ProjectModel.h"
#include <unknwn.h>

struct ISimNode : public IUnknown
{
    // Null when the node is gone from the project (a deleted component).
    virtual ComPtr<IXMLDOMNode> Node() = 0;
    virtual const ProjectModelPtr& Model() = 0;
};
__CRT_UUID_DECL(ISimNode, 0x6A1E5B2C, 0x4D83, 0x4F07, 0x9C, 0x2B, 0x71, 0xE0, 0x5A, 0x3D, 0x88, 0x14)

// Hands out the item for a node, as IDispatch (its IPropertyData).
HRESULT CreateSimItem(const ProjectModelPtr& spModel, IXMLDOMNode* pNode, IDispatch** ppItem) noexcept;
// The one component object of a name.
HRESULT GetSimComponent(const ProjectModelPtr& spModel, const std::wstring& name, IDispatch** ppComponent) noexcept;
