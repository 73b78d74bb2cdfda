#include "exponential.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "exponential_fast.h"

namespace quenby {
namespace exp_detail {

// 2^(j/128) as Th + Tl, and Th's halves. Re-derived from exact values by
// engine/tests/exponential_reference.py (a ctest), which also prints it.
// Aligned to its 32-byte entries, which the lanes load whole: none then
// straddles two cache lines.
alignas(32) const double kExp2Table[4 * kTableSize] = {
    0x1.0000000000000p+0, 0x0.0p+0, 0x1.0000000000000p+0, 0x0.0p+0,
    0x1.0163da9fb3335p+0, 0x1.b61299ab8cdb7p-54, 0x1.0163da8000000p+0, 0x1.fb33350000000p-28,
    0x1.02c9a3e778061p+0, -0x1.19083535b085dp-56, 0x1.02c9a40000000p+0, -0x1.887f9f0000000p-28,
    0x1.04315e86e7f85p+0, -0x1.0a31c1977c96ep-54, 0x1.04315e8000000p+0, 0x1.b9fe140000000p-30,
    0x1.059b0d3158574p+0, 0x1.d73e2a475b465p-55, 0x1.059b0d0000000p+0, 0x1.8ac2ba0000000p-27,
    0x1.0706b29ddf6dep+0, -0x1.c91dfe2b13c27p-55, 0x1.0706b28000000p+0, 0x1.ddf6de0000000p-28,
    0x1.0874518759bc8p+0, 0x1.186be4bb284ffp-57, 0x1.0874518000000p+0, 0x1.d66f200000000p-30,
    0x1.09e3ecac6f383p+0, 0x1.1487818316136p-54, 0x1.09e3ec8000000p+0, 0x1.6379c18000000p-27,
    0x1.0b5586cf9890fp+0, 0x1.8a62e4adc610bp-54, 0x1.0b55870000000p+0, -0x1.833b788000000p-27,
    0x1.0cc922b7247f7p+0, 0x1.01edc16e24f71p-54, 0x1.0cc9228000000p+0, 0x1.b923fb8000000p-27,
    0x1.0e3ec32d3d1a2p+0, 0x1.03a1727c57b53p-59, 0x1.0e3ec30000000p+0, 0x1.69e8d10000000p-27,
    0x1.0fb66affed31bp+0, -0x1.b9bedc44ebd7bp-57, 0x1.0fb66b0000000p+0, -0x1.2ce5000000000p-36,
    0x1.11301d0125b51p+0, -0x1.6c51039449b3ap-54, 0x1.11301d0000000p+0, 0x1.25b5100000000p-32,
    0x1.12abdc06c31ccp+0, -0x1.1b514b36ca5c7p-58, 0x1.12abdc0000000p+0, 0x1.b0c7300000000p-30,
    0x1.1429aaea92de0p+0, -0x1.32fbf9af1369ep-54, 0x1.1429ab0000000p+0, -0x1.56d2200000000p-28,
    0x1.15a98c8a58e51p+0, 0x1.2406ab9eeab0ap-55, 0x1.15a98c8000000p+0, 0x1.4b1ca20000000p-29,
    0x1.172b83c7d517bp+0, -0x1.19041b9d78a76p-55, 0x1.172b840000000p+0, -0x1.c157428000000p-27,
    0x1.18af9388c8deap+0, -0x1.11023d1970f6cp-54, 0x1.18af938000000p+0, 0x1.191bd40000000p-29,
    0x1.1a35beb6fcb75p+0, 0x1.e5b4c7b4968e4p-55, 0x1.1a35be8000000p+0, 0x1.b7e5ba8000000p-27,
    0x1.1bbe084045cd4p+0, -0x1.95386352ef607p-54, 0x1.1bbe088000000p+0, -0x1.fdd1960000000p-27,
    0x1.1d4873168b9aap+0, 0x1.e016e00a2643cp-54, 0x1.1d48730000000p+0, 0x1.68b9aa0000000p-28,
    0x1.1ed5022fcd91dp+0, -0x1.1df98027bb78cp-54, 0x1.1ed5020000000p+0, 0x1.7e6c8e8000000p-27,
    0x1.2063b88628cd6p+0, 0x1.dc775814a8495p-55, 0x1.2063b88000000p+0, 0x1.8a33580000000p-30,
    0x1.21f49917ddc96p+0, 0x1.2a97e9494a5eep-55, 0x1.21f4990000000p+0, 0x1.7ddc960000000p-28,
    0x1.2387a6e756238p+0, 0x1.9b07eb6c70573p-54, 0x1.2387a70000000p+0, -0x1.8a9dc80000000p-28,
    0x1.251ce4fb2a63fp+0, 0x1.ac155bef4f4a4p-55, 0x1.251ce50000000p+0, -0x1.3567040000000p-30,
    0x1.26b4565e27cddp+0, 0x1.2bd339940e9d9p-55, 0x1.26b4568000000p+0, -0x1.0ec1918000000p-27,
    0x1.284dfe1f56381p+0, -0x1.a4c3a8c3f0d7ep-54, 0x1.284dfe0000000p+0, 0x1.f563810000000p-28,
    0x1.29e9df51fdee1p+0, 0x1.612e8afad1255p-55, 0x1.29e9df8000000p+0, -0x1.70108f8000000p-27,
    0x1.2b87fd0dad990p+0, -0x1.10adcd6381aa4p-59, 0x1.2b87fd0000000p+0, 0x1.b5b3200000000p-29,
    0x1.2d285a6e4030bp+0, 0x1.0024754db41d5p-54, 0x1.2d285a8000000p+0, -0x1.1bfcf50000000p-28,
    0x1.2ecafa93e2f56p+0, 0x1.1ca0f45d52383p-56, 0x1.2ecafa8000000p+0, 0x1.3e2f560000000p-28,
    0x1.306fe0a31b715p+0, 0x1.6f46ad23182e4p-55, 0x1.306fe08000000p+0, 0x1.18db8a8000000p-27,
    0x1.32170fc4cd831p+0, 0x1.a9ce78e18047cp-55, 0x1.3217100000000p+0, -0x1.d993e78000000p-27,
    0x1.33c08b26416ffp+0, 0x1.32721843659a6p-54, 0x1.33c08b0000000p+0, 0x1.320b7f8000000p-27,
    0x1.356c55f929ff1p+0, -0x1.b5cee5c4e4628p-55, 0x1.356c560000000p+0, -0x1.b5803c0000000p-30,
    0x1.371a7373aa9cbp+0, -0x1.63aeabf42eae2p-54, 0x1.371a738000000p+0, -0x1.8aac6a0000000p-29,
    0x1.38cae6d05d866p+0, -0x1.e958d3c9904bdp-54, 0x1.38cae70000000p+0, -0x1.7d13cd0000000p-27,
    0x1.3a7db34e59ff7p+0, -0x1.5e436d661f5e3p-56, 0x1.3a7db38000000p+0, -0x1.8d30048000000p-27,
    0x1.3c32dc313a8e5p+0, -0x1.efff8375d29c3p-54, 0x1.3c32dc0000000p+0, 0x1.89d4728000000p-27,
    0x1.3dea64c123422p+0, 0x1.ada0911f09ebcp-55, 0x1.3dea650000000p+0, -0x1.f6e5ef0000000p-27,
    0x1.3fa4504ac801cp+0, -0x1.7d023f956f9f3p-54, 0x1.3fa4508000000p+0, -0x1.a9bff20000000p-27,
    0x1.4160a21f72e2ap+0, -0x1.ef3691c309278p-58, 0x1.4160a20000000p+0, 0x1.f72e2a0000000p-28,
    0x1.431f5d950a897p+0, -0x1.1c7dde35f7999p-55, 0x1.431f5d8000000p+0, 0x1.50a8970000000p-28,
    0x1.44e086061892dp+0, 0x1.89b7a04ef80d0p-59, 0x1.44e0860000000p+0, 0x1.8624b40000000p-30,
    0x1.46a41ed1d0057p+0, 0x1.c944bd1648a76p-54, 0x1.46a41f0000000p+0, -0x1.717fd48000000p-27,
    0x1.486a2b5c13cd0p+0, 0x1.3c1a3b69062f0p-56, 0x1.486a2b8000000p+0, -0x1.1f61980000000p-27,
    0x1.4a32af0d7d3dep+0, 0x1.9cb62f3d1be56p-54, 0x1.4a32af0000000p+0, 0x1.afa7bc0000000p-29,
    0x1.4bfdad5362a27p+0, 0x1.d4397afec42e2p-56, 0x1.4bfdad8000000p+0, -0x1.64eaec8000000p-27,
    0x1.4dcb299fddd0dp+0, 0x1.8ecdbbc6a7833p-54, 0x1.4dcb298000000p+0, 0x1.fddd0d0000000p-28,
    0x1.4f9b2769d2ca7p+0, -0x1.4b309d25957e3p-54, 0x1.4f9b278000000p+0, -0x1.62d3590000000p-28,
    0x1.516daa2cf6642p+0, -0x1.f768569bd93efp-55, 0x1.516daa0000000p+0, 0x1.67b3210000000p-27,
    0x1.5342b569d4f82p+0, -0x1.07abe1db13cadp-55, 0x1.5342b58000000p+0, -0x1.62b07e0000000p-28,
    0x1.551a4ca5d920fp+0, -0x1.d689cefede59bp-55, 0x1.551a4c8000000p+0, 0x1.2ec9078000000p-27,
    0x1.56f4736b527dap+0, 0x1.9bb2c011d93adp-54, 0x1.56f4738000000p+0, -0x1.4ad8260000000p-28,
    0x1.58d12d497c7fdp+0, 0x1.295e15b9a1de8p-55, 0x1.58d12d8000000p+0, -0x1.b41c018000000p-27,
    0x1.5ab07dd485429p+0, 0x1.6324c054647adp-54, 0x1.5ab07e0000000p+0, -0x1.5bd5eb8000000p-27,
    0x1.5c9268a5946b7p+0, 0x1.c4b1b816986a2p-60, 0x1.5c92688000000p+0, 0x1.2ca35b8000000p-27,
    0x1.5e76f15ad2148p+0, 0x1.ba6f93080e65ep-54, 0x1.5e76f18000000p+0, -0x1.296f5c0000000p-27,
    0x1.605e1b976dc09p+0, -0x1.3e2429b56de47p-54, 0x1.605e1b8000000p+0, 0x1.76dc090000000p-28,
    0x1.6247eb03a5585p+0, -0x1.383c17e40b497p-54, 0x1.6247eb0000000p+0, 0x1.d2ac280000000p-31,
    0x1.6434634ccc320p+0, -0x1.c483c759d8933p-55, 0x1.6434638000000p+0, -0x1.999e700000000p-27,
    0x1.6623882552225p+0, -0x1.bb60987591c34p-54, 0x1.6623880000000p+0, 0x1.2a91128000000p-27,
    0x1.68155d44ca973p+0, 0x1.038ae44f73e65p-57, 0x1.68155d8000000p+0, -0x1.d9ab468000000p-27,
    0x1.6a09e667f3bcdp+0, -0x1.bdd3413b26456p-54, 0x1.6a09e68000000p+0, -0x1.80c4330000000p-28,
    0x1.6c012750bdabfp+0, -0x1.2895667ff0b0dp-56, 0x1.6c01278000000p+0, -0x1.7a12a08000000p-27,
    0x1.6dfb23c651a2fp+0, -0x1.bbe3a683c88abp-57, 0x1.6dfb240000000p+0, -0x1.cd72e88000000p-27,
    0x1.6ff7df9519484p+0, -0x1.83c0f25860ef6p-55, 0x1.6ff7df8000000p+0, 0x1.5194840000000p-28,
    0x1.71f75e8ec5f74p+0, -0x1.16e4786887a99p-55, 0x1.71f75e8000000p+0, 0x1.d8bee80000000p-29,
    0x1.73f9a48a58174p+0, -0x1.0a8d96c65d53cp-54, 0x1.73f9a48000000p+0, 0x1.4b02e80000000p-29,
    0x1.75feb564267c9p+0, -0x1.0245957316dd3p-54, 0x1.75feb58000000p+0, -0x1.bd98370000000p-28,
    0x1.780694fde5d3fp+0, 0x1.866b80a02162dp-54, 0x1.7806950000000p+0, -0x1.0d16080000000p-31,
    0x1.7a11473eb0187p+0, -0x1.41577ee04992fp-55, 0x1.7a11470000000p+0, 0x1.f580c38000000p-27,
    0x1.7c1ed0130c132p+0, 0x1.f124cd1164dd6p-54, 0x1.7c1ed00000000p+0, 0x1.30c1320000000p-28,
    0x1.7e2f336cf4e62p+0, 0x1.05d02ba15797ep-56, 0x1.7e2f338000000p+0, -0x1.30b19e0000000p-28,
    0x1.80427543e1a12p+0, -0x1.27c86626d972bp-54, 0x1.8042758000000p+0, -0x1.e0f2f70000000p-27,
    0x1.82589994cce13p+0, -0x1.d4c1dd41532d8p-54, 0x1.8258998000000p+0, 0x1.4cce130000000p-28,
    0x1.8471a4623c7adp+0, -0x1.8d684a341cdfbp-55, 0x1.8471a48000000p+0, -0x1.dc38530000000p-28,
    0x1.868d99b4492edp+0, -0x1.fc6f89bd4f6bap-54, 0x1.868d998000000p+0, 0x1.a249768000000p-27,
    0x1.88ac7d98a6699p+0, 0x1.994c2f37cb53ap-54, 0x1.88ac7d8000000p+0, 0x1.8a66990000000p-28,
    0x1.8ace5422aa0dbp+0, 0x1.6e9f156864b27p-54, 0x1.8ace540000000p+0, 0x1.15506d8000000p-27,
    0x1.8cf3216b5448cp+0, -0x1.0d55e32e9e3aap-56, 0x1.8cf3218000000p+0, -0x1.4abb740000000p-28,
    0x1.8f1ae99157736p+0, 0x1.5cc13a2e3976cp-55, 0x1.8f1ae98000000p+0, 0x1.1577360000000p-28,
    0x1.9145b0b91ffc6p+0, -0x1.dd6792e582524p-54, 0x1.9145b08000000p+0, 0x1.c8ffe30000000p-27,
    0x1.93737b0cdc5e5p+0, -0x1.75fc781b57ebcp-57, 0x1.93737b0000000p+0, 0x1.9b8bca0000000p-29,
    0x1.95a44cbc8520fp+0, -0x1.64b7c96a5f039p-56, 0x1.95a44c8000000p+0, 0x1.e429078000000p-27,
    0x1.97d829fde4e50p+0, -0x1.d185b7c1b85d1p-54, 0x1.97d82a0000000p+0, -0x1.0d8d800000000p-31,
    0x1.9a0f170ca07bap+0, -0x1.173bd91cee632p-54, 0x1.9a0f170000000p+0, 0x1.940f740000000p-29,
    0x1.9c49182a3f090p+0, 0x1.c7c46b071f2bep-56, 0x1.9c49180000000p+0, 0x1.51f8480000000p-27,
    0x1.9e86319e32323p+0, 0x1.824ca78e64c6ep-56, 0x1.9e86318000000p+0, 0x1.e323230000000p-28,
    0x1.a0c667b5de565p+0, -0x1.359495d1cd533p-54, 0x1.a0c6678000000p+0, 0x1.aef2b28000000p-27,
    0x1.a309bec4a2d33p+0, 0x1.6305c7ddc36abp-54, 0x1.a309bf0000000p+0, -0x1.dae9668000000p-27,
    0x1.a5503b23e255dp+0, -0x1.d2f6edb8d41e1p-54, 0x1.a5503b0000000p+0, 0x1.1f12ae8000000p-27,
    0x1.a799e1330b358p+0, 0x1.bcb7ecac563c7p-54, 0x1.a799e10000000p+0, 0x1.9859ac0000000p-27,
    0x1.a9e6b5579fdbfp+0, 0x1.0fac90ef7fd31p-54, 0x1.a9e6b58000000p+0, -0x1.4301208000000p-27,
    0x1.ac36bbfd3f37ap+0, -0x1.f9234cae76cd0p-55, 0x1.ac36bc0000000p+0, -0x1.6064300000000p-31,
    0x1.ae89f995ad3adp+0, 0x1.7a1cd345dcc81p-54, 0x1.ae89f98000000p+0, 0x1.5ad3ad0000000p-28,
    0x1.b0e07298db666p+0, -0x1.bdef54c80e425p-54, 0x1.b0e0728000000p+0, 0x1.8db6660000000p-28,
    0x1.b33a2b84f15fbp+0, -0x1.2805e3084d708p-57, 0x1.b33a2b8000000p+0, 0x1.3c57ec0000000p-30,
    0x1.b59728de5593ap+0, -0x1.c71dfbbba6de3p-54, 0x1.b597290000000p+0, -0x1.0d53630000000p-27,
    0x1.b7f76f2fb5e47p+0, -0x1.5584f7e54ac3bp-56, 0x1.b7f76f0000000p+0, 0x1.7daf238000000p-27,
    0x1.ba5b030a1064ap+0, -0x1.efcd30e54292ep-54, 0x1.ba5b030000000p+0, 0x1.420c940000000p-29,
    0x1.bcc1e904bc1d2p+0, 0x1.23dd07a2d9e84p-55, 0x1.bcc1e90000000p+0, 0x1.2f07480000000p-30,
    0x1.bf2c25bd71e09p+0, -0x1.efdca3f6b9c73p-54, 0x1.bf2c258000000p+0, 0x1.eb8f048000000p-27,
    0x1.c199bdd85529cp+0, 0x1.11065895048ddp-55, 0x1.c199be0000000p+0, -0x1.3d56b20000000p-27,
    0x1.c40ab5fffd07ap+0, 0x1.b4537e083c60ap-54, 0x1.c40ab60000000p+0, -0x1.7c30000000000p-39,
    0x1.c67f12e57d14bp+0, 0x1.2884dff483cadp-54, 0x1.c67f130000000p+0, -0x1.a82eb50000000p-28,
    0x1.c8f6d9406e7b5p+0, 0x1.1acbc48805c44p-56, 0x1.c8f6d98000000p+0, -0x1.fc8c258000000p-27,
    0x1.cb720dcef9069p+0, 0x1.503cbd1e949dbp-56, 0x1.cb720e0000000p+0, -0x1.8837cb8000000p-27,
    0x1.cdf0b555dc3fap+0, -0x1.dd83b53829d72p-55, 0x1.cdf0b58000000p+0, -0x1.511e030000000p-27,
    0x1.d072d4a07897cp+0, -0x1.cbc3743797a9cp-54, 0x1.d072d48000000p+0, 0x1.03c4be0000000p-27,
    0x1.d2f87080d89f2p+0, -0x1.d487b719d8578p-54, 0x1.d2f8708000000p+0, 0x1.b13e400000000p-33,
    0x1.d5818dcfba487p+0, 0x1.2ed02d75b3707p-55, 0x1.d5818e0000000p+0, -0x1.822dbc8000000p-27,
    0x1.d80e316c98398p+0, -0x1.11ec18beddfe8p-54, 0x1.d80e318000000p+0, -0x1.367c680000000p-28,
    0x1.da9e603db3285p+0, 0x1.c2300696db532p-54, 0x1.da9e600000000p+0, 0x1.ed99428000000p-27,
    0x1.dd321f301b460p+0, 0x1.2da5778f018c3p-54, 0x1.dd321f0000000p+0, 0x1.80da300000000p-27,
    0x1.dfc97337b9b5fp+0, -0x1.1a5cd4f184b5cp-54, 0x1.dfc9730000000p+0, 0x1.bdcdaf8000000p-27,
    0x1.e264614f5a129p+0, -0x1.7b627817a1496p-54, 0x1.e264618000000p+0, -0x1.852f6b8000000p-27,
    0x1.e502ee78b3ff6p+0, 0x1.39e8980a9cc8fp-55, 0x1.e502ee8000000p+0, -0x1.d300280000000p-30,
    0x1.e7a51fbc74c83p+0, 0x1.2d522ca0c8de2p-54, 0x1.e7a51f8000000p+0, 0x1.e3a6418000000p-27,
    0x1.ea4afa2a490dap+0, -0x1.e9c23179c2893p-54, 0x1.ea4afa0000000p+0, 0x1.52486d0000000p-27,
    0x1.ecf482d8e67f1p+0, -0x1.c93f3b411ad8cp-54, 0x1.ecf4830000000p+0, -0x1.38cc078000000p-27,
    0x1.efa1bee615a27p+0, 0x1.dc7f486a4b6b0p-54, 0x1.efa1bf0000000p+0, -0x1.9ea5d90000000p-28,
    0x1.f252b376bba97p+0, 0x1.3a1a5bf0d8e43p-54, 0x1.f252b38000000p+0, -0x1.288ad20000000p-29,
    0x1.f50765b6e4540p+0, 0x1.9d3e12dd8a18bp-54, 0x1.f507658000000p+0, 0x1.b722a00000000p-27,
    0x1.f7bfdad9cbe14p+0, -0x1.dbb12d006350ap-54, 0x1.f7bfdb0000000p+0, -0x1.31a0f60000000p-27,
    0x1.fa7c1819e90d8p+0, 0x1.74853f3a5931ep-55, 0x1.fa7c180000000p+0, 0x1.9e90d80000000p-28,
    0x1.fd3c22b8f71f1p+0, 0x1.2eb74966579e7p-57, 0x1.fd3c228000000p+0, 0x1.c7b8f88000000p-27,
};

// The fast path's bound (exponential_fast.h), for |x| <= 745.2, so |k| <
// 2^17.1, |r| <= 0.0027077 and v = 2^(j/128) e^r in [0.99, 2.01); absolute
// errors on v:
//   r = rh + rl to 2^-110 (L3 and k L3 rounded, L1 + L2 + L3 to 2^-135);
//   table Th + Tl to 2^-106;
//   e^(rh + rl) - (1 + yh + q) = rh^8/8! e^rh (2^-83.4), plus the terms
//     left out: rl (e^rh - 1 - yh) (2^-84), rh r2l p (2^-82);
//   q: r3 = (r2h rh) p carries three roundings and p's own (C3 rounded,
//     C3 + rh (...) rounded): 2^-51.2 relative of |r3| < 2^-28.2, so
//     2^-79.4; the last addition into q, 2^-82; times Th < 2: 2^-78.4, 2^-81;
//   Th q rounded (|Th q| < 2^-27): 2^-81; the two sums into low: 2^-81 each;
//   the rest (Tl terms, pl, yl, rl products) below 2^-100.
// In all under 2^-77.4; kFastErrorBound = 2^-74 holds it with room for the
// roundings of l2 +- E (below 2^-105).

namespace {

// The fast path serves -745.2 <= x <= 709.8; below, e^x < 2^-1075 rounds to
// +0, above, e^x exceeds the largest double by more than half an ulp.
constexpr double kZeroBelow = -745.2;
constexpr double kInfiniteAbove = 709.8;
// Between these the result is a normal double and 2^m a double: the kernels'
// lanes serve this range, the scalar function the rest.
constexpr double kLanesLowest = -708.0;
constexpr double kLanesHighest = 709.0;

// The rounding of v * 2^m where it may be subnormal (m <= -1023, or -1022
// with v below 1): round(v * 2^(m + 1074)) * 2^-1074, the granule of the
// subnormals and of the smallest normal binade alike. s = v * 2^(m + 1074)
// lies below 2^52, so its nearest integer n comes from the shift trick; the
// rest decides, with the fast path's bound.
bool RoundSubnormal(double h2, double l2, double kd, double& y) {
  double scale;  // 2^(m + 1074), m + 1074 >= -2
  ScaleOf(kd, 1074, scale);
  const double sh = h2 * scale;
  const double sl = l2 * scale;
  const double err = kFastErrorBound * scale;
  double n = (sh + 0x1p52) - 0x1p52;
  double t = (sh - n) + sl;  // sh - n exact; |t| <= 1
  if (t > 0.5) {
    n = n + 1.0;
    t = t - 1.0;
  } else if (t < -0.5) {
    n = n - 1.0;
    t = t + 1.0;
  }
  // A margin for t's own rounding (at most 2^-53).
  if (!(std::fabs(t) + err < 0.5 - 0x1p-40)) return false;
  y = n * 0x1p-1074;  // exact: n is an integer of at most 53 bits
  return true;
}

}  // namespace

bool ExpFast(double x, double& y) {
  if (!(x >= kZeroBelow && x <= kInfiniteAbove)) return false;
  double h2, l2, kd;
  Reduce(x, h2, l2, kd);
  if (x < kLanesLowest) {
    uint64_t bits;
    ToBits(kd, bits);
    const auto m = static_cast<int64_t>((bits >> kTableBits) - (kShiftBits >> kTableBits));
    if (m < -1022 || (m == -1022 && h2 < 1.0)) return RoundSubnormal(h2, l2, kd, y);
  }
  const double up = h2 + (l2 + kFastErrorBound);
  const double down = h2 + (l2 - kFastErrorBound);
  if (up != down) return false;
  // 2^m in two steps where m may reach 1024; beyond the largest double the
  // product is +inf, as the rounding to nearest of such a value is.
  double scale;
  ScaleOf(kd, x <= kLanesHighest ? 0 : -1, scale);
  y = x <= kLanesHighest ? up * scale : (up * scale) * 2.0;
  return true;
}

}  // namespace exp_detail

double Exp(double x) {
  double y;
  if (exp_detail::ExpFast(x, y)) [[likely]]
    return y;
  if (std::isnan(x)) return x + x;
  if (x > exp_detail::kInfiniteAbove) return std::numeric_limits<double>::infinity();
  if (x < exp_detail::kZeroBelow) return 0.0;
  return exp_detail::ExpExact(x);
}

}  // namespace quenby
