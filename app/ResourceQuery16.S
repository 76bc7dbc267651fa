/* app/ResourceQuery16.S
 * The 16-bit path of the resource query: load "user.exe", release it at once, look up
 * GetFreeSystemResources and call it through the 32-to-16-bit thunk.
 *
 *   DWORD __stdcall tgQueryFree16(WORD selector, const TResourceApi16* api)
 *
 * returns the 16-bit result zero-extended, or 0xFFFF0001 when the module handle is below 32
 * (signed), or 0xFFFF0002 when the function's address is 0. The C++ caller turns those into
 * exceptions. The routine must be hand-written: QT_Thunk overwrites at least 64 bytes of
 * the caller's frame below EBP, so the frame is laid out by hand: 72 bytes of locals, the
 * selector and result in the lowest four, the 68 above them scratch for the thunk. The
 * callee-saved registers are pushed before the frame so the thunk cannot clobber them.
 */
        .intel_syntax noprefix
        .text

        /* Offsets into TResourceApi16 (see ResourceQuery.h). */
        .set API_LOAD, 0
        .set API_FREE, 4
        .set API_GETPROC, 8
        .set API_QTTHUNK, 12
        .set API_CALL16, 16

        .globl _tgQueryFree16@8
        .def _tgQueryFree16@8; .scl 2; .type 32; .endef
_tgQueryFree16@8:
        push ebx
        push esi
        push edi
        push ebp
        mov ebp, esp
        sub esp, 72
        /* Arguments sit above the four saved registers and the return address. */
        mov eax, [ebp + 20]
        mov [ebp - 72], ax          /* the selector, in the lowest local */
        mov esi, [ebp + 24]         /* the API table */

        /* 2. Load the module; keep the handle process-wide. */
        push offset UserExeName
        call [esi + API_LOAD]
        movzx eax, ax
        mov [_tgUserModule], eax
        /* 3. Below 32 is an error code. */
        cmp eax, 32
        jl LoadFailed

        /* 4. Release at once: the window manager stays resident, the handle stays good. */
        mov esi, [ebp + 24]
        push eax
        call [esi + API_FREE]

        /* 5. Look the function up. */
        mov esi, [ebp + 24]
        push offset GetFreeSystemResourcesName
        push dword ptr [_tgUserModule]
        call [esi + API_GETPROC]
        mov [_tgFreeResourcesProc], eax
        /* 6. */
        test eax, eax
        jz LookupFailed

        /* 7. Call it. */
        mov esi, [ebp + 24]
        mov ecx, [esi + API_CALL16]
        test ecx, ecx
        jnz ViaCallback
        push word ptr [ebp - 72]    /* one 16-bit word: the selector */
        mov edx, [_tgFreeResourcesProc]
        call [esi + API_QTTHUNK]
        movzx eax, ax
        jmp Done

ViaCallback:
        /* Where the thunk's return value cannot be trusted the same far address goes
         * through a C helper: cdecl (DWORD proc, DWORD selector). */
        movzx eax, word ptr [ebp - 72]
        push eax
        push dword ptr [_tgFreeResourcesProc]
        call ecx
        movzx eax, ax
        jmp Done

LoadFailed:
        mov eax, 0xFFFF0001
        jmp Done
LookupFailed:
        mov eax, 0xFFFF0002
Done:
        mov [ebp - 72], ax          /* the result shares the selector's slot */
        mov esp, ebp
        pop ebp
        pop edi
        pop esi
        pop ebx
        ret 8

        .section .rdata,"dr"
UserExeName:
        .asciz "user.exe"
GetFreeSystemResourcesName:
        .asciz "GetFreeSystemResources"
