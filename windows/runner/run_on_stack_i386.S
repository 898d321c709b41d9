// uint32_t SorvexRunOnStack(const void *function, const uint32_t *arguments,
//                           uint32_t count, void *stackTop)
// Switches to the stack that ends at stackTop, pushes the arguments (the
// last first; a null stackTop stays on the current stack), calls the function and switches back. EBX keeps the caller's
// stack pointer across the call: both conventions preserve it, and the
// callee may pop its arguments (stdcall) or leave them (cdecl).
        .text
        .globl  SorvexRunOnStack
        .type   SorvexRunOnStack, @function
SorvexRunOnStack:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        movl    8(%ebp), %eax
        movl    12(%ebp), %esi
        movl    16(%ebp), %ecx
        movl    20(%ebp), %edx
        movl    %esp, %ebx
        testl   %edx, %edx
        jz      1f
        movl    %edx, %esp
1:      testl   %ecx, %ecx
        jz      2f
        decl    %ecx
        pushl   (%esi,%ecx,4)
        jmp     1b
2:      call    *%eax
        movl    %ebx, %esp
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
        .size   SorvexRunOnStack, .-SorvexRunOnStack
        .section .note.GNU-stack,"",@progbits
